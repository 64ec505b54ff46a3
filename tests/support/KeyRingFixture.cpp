#include "KeyRingFixture.h"

#include <stdexcept>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

const TestKeyInfo& infoOf(TestKey k)
{
    static const TestKeyInfo keys[] = {
        {"alice-public.akf", "", "Alice Example <alice@example.org>"},
        {"alice-private.akf", kAlicePassphrase, "Alice Example <alice@example.org>"},
        {"bob-public.akf", "", "Bob Example <bob@example.org>"},
        {"bob-private.akf", kBobPassphrase, "Bob Example <bob@example.org>"},
        {"carol-public.akf", "", "Carol Example <carol@example.org>"},
    };
    return keys[static_cast<int>(k)];
}

std::string keyFileOf(TestKey k) { return dataPath(std::string("keys/") + infoOf(k).file); }

KeyRingFixture::KeyRingFixture(const std::vector<TestKey>& keys)
{
    KeyRing(dir_.path()).DBOpen(KeyRing::MissingFile::Create);
    KeyManager manager(dir_.path());
    manager.Open();
    for (TestKey k : keys) {
        const std::string pass = infoOf(k).passphrase;
        const auto id = manager.ImportKey(keyFileOf(k), [&](SecureString& p) {
            p = SecureString(pass);
            return !pass.empty();
        });
        if (!id) throw std::runtime_error(std::string("cannot import ") + infoOf(k).file);
        ids_[static_cast<int>(k)] = *id;
    }
    manager.Close();
}

std::string KeyRingFixture::ringText() const { return readFile(ringPath()); }

} // namespace zerath::test
