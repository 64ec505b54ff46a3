#include "CliArgs.h"
#include "CliFileUi.h"
#include "Command.h"
#include "Passphrase.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {
namespace {

int decrypt(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--key", "--passphrase-file"}, {"--force"});
    a.expectPositional(1, 1);
    DecryptOptions o;
    o.keyId = a.required("--key");
    o.encryptedPath = a.positional()[0];
    CliFileUi ui(a.has("--force"), false, readPassphrase(a.required("--passphrase-file")));
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::Create);
    return fileCommandOutcome(DecryptFile(ring, o, ui), ui);
}

const CommandRegistration registration({"decrypt",
                                        "usage: zerath-cli decrypt --key KEYID --passphrase-file F [--force] FILE\n"
                                        "Decrypts FILE with the key pair KEYID; prints the decrypted file's path.\n",
                                        decrypt});

} // namespace
} // namespace zerath::cli
