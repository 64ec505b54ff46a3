#pragma once
// A program folder whose key ring holds keys imported from the committed key
// files under tests/data/keys (2048-bit pairs made once with the program's own
// key generation; see the README there).
#include <string>
#include <vector>

#include "TempDir.h"
#include "keyring/KeyRecord.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

namespace zerath::test {

enum class TestKey { AlicePublic, AlicePair, BobPublic, BobPair, CarolPublic };
inline constexpr const char* kAlicePassphrase = "correct horse battery";
inline constexpr const char* kBobPassphrase = "bob battery staple";
std::string keyFileOf(TestKey k); // the committed file's full path
// A record of made-up values, a key pair's when it has a private exponent `d`.
KeyRecord sampleRecord(const std::string& keyId, const std::string& user = "Owner", const std::string& d = "");
// A key file loaded, a public key under the fixed protection passphrase.
template <class Key>
Key loadKey(const std::string& path, std::string_view passphrase)
{
    Key k;
    k.Passphrase = SecureString(passphrase);
    k.LoadFromFile(path);
    return k;
}
TPublicKey loadPublicKey(const std::string& path);
inline TPrivateKey loadPrivateKey(const std::string& path, std::string_view passphrase = kAlicePassphrase)
{
    return loadKey<TPrivateKey>(path, passphrase);
}

class KeyRingFixture {
public:
    // The keys are imported in the order given, through the key manager.
    explicit KeyRingFixture(const std::vector<TestKey>& keys = {TestKey::AlicePublic, TestKey::AlicePair});
    const std::string& home() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string ringText() const { return readFile(file("ZerathKeys.db")); }
    // The key ID the key got at import (a key must have been imported).
    const std::string& idOf(TestKey k) const { return ids_[static_cast<int>(k)]; }

private:
    TempDir dir_;
    std::string ids_[5];
};

} // namespace zerath::test
