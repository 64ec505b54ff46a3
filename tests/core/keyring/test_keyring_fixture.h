#pragma once
// A key pair and its public key as key files, made once per test program, and
// helpers to build key ring records from them.
#include <filesystem>
#include <memory>
#include <string>

#include "TempDir.h"
#include "filecrypt/FieldProtection.h"
#include "keyring/KeyRecord.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

namespace zerath::test {

inline constexpr const char* kTestPassphrase = "correct horse battery";
inline constexpr const char* kTestOwner = "Alice Example <alice@example.org>"; // of a pair made here

struct TestKeys {
    TempDir dir;
    std::string privateFile; // private key file under kTestPassphrase
    std::string publicFile;  // its public key file under the fixed protection passphrase
    std::string otherPublicFile; // the public key written under another passphrase
    std::string owner;           // the key owner of both files
};

inline const TestKeys& testKeys()
{
    static const std::unique_ptr<TestKeys> keys = [] {
        auto k = std::make_unique<TestKeys>();
        // The committed test key pair when present, else a pair made here.
        std::string committedPrivate, committedPublic;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dataPath("keys"), ec)) {
            if (e.path().extension() != ".akf") continue;
            const std::string type = KeyType(e.path().string());
            if (type == kKeyTypePair && committedPrivate.empty()) committedPrivate = e.path().string();
            if (type == kKeyTypePublic && committedPublic.empty()) committedPublic = e.path().string();
        }
        TPrivateKey pair;
        std::unique_ptr<TPublicKey> pub;
        if (!committedPrivate.empty() && !committedPublic.empty()) {
            pair.Passphrase = SecureString(std::string(kTestPassphrase));
            pair.LoadFromFile(committedPrivate);
            k->privateFile = committedPrivate;
            k->publicFile = committedPublic;
            pub = pair.GetPublicKey();
            pub->KeyOwner = pair.KeyOwner;
        } else {
            pair.GenerateKeys(1024);
            pair.KeyOwner = kTestOwner;
            pair.Passphrase = SecureString(std::string(kTestPassphrase));
            k->privateFile = k->dir.file("PrivateTest.akf");
            pair.SaveToFile(k->privateFile);
            pub = pair.GetPublicKey();
            pub->KeyOwner = kTestOwner;
            pub->Passphrase = SecureString(FixedProtectionPassphrase());
            k->publicFile = k->dir.file("PublicTest.akf");
            pub->SaveToFile(k->publicFile);
        }
        k->owner = pair.KeyOwner;
        pub->Passphrase = SecureString(std::string("not the fixed passphrase"));
        k->otherPublicFile = k->dir.file("PublicOther.akf");
        pub->SaveToFile(k->otherPublicFile);
        return k;
    }();
    return *keys;
}

// Clear records of the test key pair and its public key.
inline const KeyRecord& clearPairRecord()
{
    static const KeyRecord r = ImportPrivKey(testKeys().privateFile, kTestPassphrase);
    return r;
}
inline const KeyRecord& clearPublicRecord()
{
    static const KeyRecord r = ImportPubKey(testKeys().publicFile, FixedProtectionPassphrase());
    return r;
}
// The same records as the key ring stores them.
inline KeyRecord storedPairRecord() { return ProtectKeyRecord(clearPairRecord(), kTestPassphrase); }
inline KeyRecord storedPublicRecord() { return ProtectKeyRecord(clearPublicRecord(), ""); }

// A fresh public key of a new pair (for tests that need several keys).
inline std::string makePublicKeyFile(const std::string& path, const std::string& owner, int bits = 512)
{
    TPrivateKey pair;
    pair.GenerateKeys(bits);
    auto pub = pair.GetPublicKey();
    pub->KeyOwner = owner;
    pub->Passphrase = SecureString(FixedProtectionPassphrase());
    pub->SaveToFile(path);
    return path;
}

} // namespace zerath::test
