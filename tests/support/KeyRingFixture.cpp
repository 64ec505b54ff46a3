#include "KeyRingFixture.h"

#include <stdexcept>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

std::string keyFileOf(TestKey k)
{
    static const char* const files[] = {"alice-public.akf", "alice-private.akf", "bob-public.akf", "bob-private.akf",
                                        "carol-public.akf"};
    return dataPath(std::string("keys/") + files[static_cast<int>(k)]);
}

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
