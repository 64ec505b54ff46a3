#include "KeyRingFixture.h"

#include <stdexcept>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "symcrypto/FieldProtection.h"

namespace zerath::test {

std::string keyFileOf(TestKey k)
{
    static const char* const files[] = {"alice-public.akf", "alice-private.akf", "bob-public.akf", "bob-private.akf",
                                        "carol-public.akf"};
    return dataPath(std::string("keys/") + files[static_cast<int>(k)]);
}

KeyRecord sampleRecord(const std::string& keyId, const std::string& user, const std::string& d)
{
    return {d.empty() ? "Pub" : "Pub/Priv", user, keyId, "2048", "01/02/2024", "E" + keyId, SecureString(d),
            "N" + keyId, "0123456789ABCDEF0123456789ABCDEF" + keyId, "CRC" + keyId};
}

TPublicKey loadPublicKey(const std::string& path) { return loadKey<TPublicKey>(path, FixedProtectionPassphrase()); }

KeyRingFixture::KeyRingFixture(const std::vector<TestKey>& keys)
{
    KeyRing(dir_.path()).DBOpen(KeyRing::MissingFile::Create);
    KeyManager manager(dir_.path());
    manager.Open();
    for (TestKey k : keys) {
        const std::string pass = k == TestKey::AlicePair ? kAlicePassphrase : k == TestKey::BobPair ? kBobPassphrase : "";
        const auto id = manager.ImportKey(keyFileOf(k), [&](SecureString& p) { return p = SecureString(pass), !pass.empty(); });
        if (!id) throw std::runtime_error("cannot import " + keyFileOf(k));
        ids_[static_cast<int>(k)] = *id;
    }
    manager.Close();
}

} // namespace zerath::test
