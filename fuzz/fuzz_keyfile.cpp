// Key file loading: the input is a passphrase (its first byte gives the length,
// 0..63) followed by the bytes of a key file. The file is loaded as a public key
// (under that passphrase and under the fixed protection passphrase) and as a
// private key. A key that loads must be complete, and saving it again and
// loading the result must give back the same numbers and owner.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyRecord.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

using namespace zerath;
using namespace zerath::fuzz;

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;

void checkFingerPrint(const std::string& fp, const std::string& id)
{
    expect(fp.size() == 40, "fingerprint of 40 digits");
    expect(id == fp.substr(32), "key id is the fingerprint's last 8 digits");
}

void loadPublic(const std::string& path, std::string_view passphrase, const std::string& again)
{
    TPublicKey key;
    key.Passphrase = SecureString(passphrase);
    try {
        key.LoadFromFile(path);
    } catch (const Error&) {
        return;
    }
    expect(key.Modulus && key.Exponent, "a loaded public key has both numbers");
    checkFingerPrint(key.FingerPrint, key.KeyID);
    if (key.KeyOwner.empty() || passphrase.empty()) return;
    key.SaveToFile(again);
    TPublicKey back;
    back.Passphrase = SecureString(passphrase);
    back.LoadFromFile(again);
    expect(*back.Modulus == *key.Modulus && *back.Exponent == *key.Exponent, "public numbers survive a save");
    expect(back.KeyOwner == key.KeyOwner, "owner survives a save");
}

void loadPrivate(const std::string& path, std::string_view passphrase, const std::string& again)
{
    TPrivateKey key;
    key.Passphrase = SecureString(passphrase);
    try {
        key.LoadFromFile(path);
    } catch (const Error&) {
        return;
    }
    expect(key.Modulus && key.ExponentE && key.ExponentD, "a loaded private key has its three numbers");
    checkFingerPrint(key.FingerPrint, key.KeyID);
    if (key.KeyOwner.empty()) return;
    key.SaveToFile(again);
    TPrivateKey back;
    back.Passphrase = SecureString(passphrase);
    back.LoadFromFile(again);
    expect(*back.Modulus == *key.Modulus && *back.ExponentE == *key.ExponentE && *back.ExponentD == *key.ExponentD,
           "private numbers survive a save");
    expect(back.KeyOwner == key.KeyOwner, "owner survives a save");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInput) return 0;
    const Split in = splitHead(data, size, 63);
    const std::string folder = freshFolder("keyfile");
    const std::string path = folder + "key.akf";
    const std::string again = folder + "again.akf";
    writeBytes(path, in.rest.data(), in.rest.size());

    try {
        const std::string type = KeyType(path);
        expect(type == kKeyTypePublic || type == kKeyTypePair || type == kKeyTypeUnknown, "a known key type");
    } catch (const Error&) {
    }
    loadPublic(path, in.head, again);
    loadPublic(path, FixedProtectionPassphrase(), again);
    loadPrivate(path, in.head, again);
    return 0;
}
