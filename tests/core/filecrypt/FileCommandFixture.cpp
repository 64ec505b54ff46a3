#include "FileCommandFixture.h"
#include "TestHelpers.h"

#include <algorithm>
#include <filesystem>

#include "keyring/KeyManager.h"
#include "pubkey/KeyPairGenerator.h"

namespace zerath::test {

KeyRingWithPair& sharedKeyRing()
{
    static std::unique_ptr<KeyRingWithPair> ring = [] {
        auto r = std::make_unique<KeyRingWithPair>();
        const KeyPairResult pair = GenerateKeyPairFiles(r->home.path(), "Test Owner", kPairPassphrase);
        r->publicFile = pair.PublicKeyFile;
        r->privateFile = pair.PrivateKeyFile;
        KeyRing mainTable(r->home.path());
        mainTable.DBOpen(KeyRing::MissingFile::Create);
        mainTable.Close();
        KeyManager manager(r->home.path());
        manager.Open();
        r->publicId = *manager.ImportKey(pair.PublicKeyFile, [](SecureString&) { return false; });
        r->privateId = *manager.ImportKey(pair.PrivateKeyFile, [](SecureString& p) {
            p = SecureString(std::string(kPairPassphrase));
            return true;
        });
        manager.Close();
        return r;
    }();
    return *ring;
}

} // namespace zerath::test
