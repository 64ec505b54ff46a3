// The encrypted file header and decryption with a fixed key pair: the input is
// an encrypted file, decrypted with the key ring made from the test key pair
// (tests/data/keys, passphrase "correct horse battery"). Every failure must be
// one of the command's messages and leave nothing beside the input: no output,
// no temporary. A success leaves exactly the output file.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::fuzz;

namespace {

class Ui : public FileCommandUi {
public:
    bool confirmOverwrite(const std::string&) override { return true; }
    bool askPassphrase(SecureString& p) override
    {
        p = SecureString(std::string_view(kAlicePassphrase));
        return true;
    }
};

struct Setup {
    std::string home;
    std::string privateId;
    std::unique_ptr<KeyRing> ring;

    Setup()
    {
        home = freshFolder("decrypt");
        {
            KeyRing table(home);
            table.DBOpen(KeyRing::MissingFile::Create);
            table.Close();
        }
        KeyManager manager(home);
        manager.Open();
        const std::string keys = std::string(ZERATH_FUZZ_DATA_DIR) + "/keys/";
        manager.ImportKey(keys + "alice-public.akf", [](SecureString&) { return false; });
        privateId = *manager.ImportKey(keys + "alice-private.akf", [](SecureString& p) {
            p = SecureString(std::string_view(kAlicePassphrase));
            return true;
        });
        manager.Close();
        ring = std::make_unique<KeyRing>(home);
        ring->DBOpen(KeyRing::MissingFile::Create);
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

const std::set<std::string> kMessages = {
    kDecryptError,
    "Decryption Error!, operation aborted",
    "The Private Key does not match the public key used for encryption.",
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 256 * 1024) return 0;
    Setup& s = setup();
    const std::string input = s.home + "in.enc";
    const std::string output = s.home + "in";
    writeBytes(input, data, size);

    Ui ui;
    bool ok = false;
    try {
        const FileCommandResult r = DecryptFile(*s.ring, DecryptOptions{s.privateId, input}, ui);
        expect(r.done && r.outputPath == output, "a finished decryption names its output");
        expect(r.cipherIndex >= 0 && r.cipherIndex <= 4, "the file's cipher");
        ok = true;
    } catch (const UserMessage& m) {
        expect(kMessages.count(m.what()) == 1, m.what());
        expect(m.kind() == UserMessage::ErrorBox, "failures show an error box");
    }
    const std::vector<std::string> names = namesIn(s.home);
    const std::vector<std::string> expected =
        ok ? std::vector<std::string>{"ZerathKeys.db", "in", "in.enc"} : std::vector<std::string>{"ZerathKeys.db", "in.enc"};
    expect(names == expected, ok ? "a success leaves only the output" : "a failure leaves no output or temporary");
    expect(readBytes(input).size() == size, "the encrypted file is not changed");
    if (ok) std::remove(output.c_str());
    return 0;
}
