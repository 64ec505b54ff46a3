#include "pubkey/KeyPairGenerator.h"

#include <chrono>

#include "common/FileIO.h"
#include "symcrypto/FieldProtection.h"
#include "pubkey/KeyFile.h"
#include "pubkey/OwnerRules.h"

namespace zerath {

std::string UniqueKeyFileName(const std::string& proposed)
{
    if (!fileExists(proposed)) return proposed;
    // The extension is what follows the last "." of the file's own name.
    const std::size_t slash = proposed.find_last_of('/');
    const std::size_t dot = proposed.find_last_of('.');
    const std::string stem =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? proposed.substr(0, dot) : proposed;
    for (unsigned long n = 1;; ++n) {
        std::string candidate = stem + "_" + std::to_string(n) + ".akf";
        if (!fileExists(candidate)) return candidate;
    }
}

namespace {

// Saves a key file under the first free name from proposed; a file that takes
// that name meanwhile is never replaced.
template <class Key>
std::string saveUnderFreeName(const Key& key, const std::string& proposed)
{
    for (;;) {
        std::string name = UniqueKeyFileName(proposed);
        if (key.SaveToFile(name, false)) return name;
    }
}

} // namespace

std::string KeyPairGeneratedStatus(std::int64_t elapsedMs)
{
    const std::int64_t s = elapsedMs / 1000;
    const std::int64_t m = s / 60;
    return "Key Pair generated in " + std::to_string(m) + " mn, " + std::to_string(s - 60 * m) + " sec";
}

KeyPairResult GenerateKeyPairFiles(const std::string& folder, std::string_view owner, std::string_view passphrase,
                                   MessagePump& pump, const KeyGenProgress& progress, int bits)
{
    CheckNewKeyOwner(owner);
    CheckNewPassphraseLength(passphrase);
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/') dir += '/';

    KeyPairResult result;
    TPrivateKey priv;
    const auto start = std::chrono::steady_clock::now();
    priv.GenerateKeys(bits, pump, progress);
    const auto stop = std::chrono::steady_clock::now();
    result.ElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(stop - start).count();

    std::unique_ptr<TPublicKey> pub = priv.GetPublicKey();
    result.CreationDate = priv.KeyCreationDate;

    priv.Passphrase = SecureString(passphrase);
    priv.KeyOwner = std::string(owner);
    result.PrivateKeyID = priv.KeyID;
    result.PrivateKeyFile = saveUnderFreeName(priv, dir + "Private" + priv.KeyID + ".akf");

    pub->Passphrase = SecureString(FixedProtectionPassphrase());
    pub->KeyOwner = std::string(owner);
    result.PublicKeyID = pub->KeyID;
    try {
        result.PublicKeyFile = saveUnderFreeName(*pub, dir + "Public" + pub->KeyID + ".akf");
    } catch (...) {
        // Half a pair is no use: the private key file written just before (under
        // a name that did not exist) goes too, so a failure leaves no new file.
        removeFile(result.PrivateKeyFile);
        syncFolderOf(result.PrivateKeyFile);
        throw;
    }
    return result;
}

} // namespace zerath
