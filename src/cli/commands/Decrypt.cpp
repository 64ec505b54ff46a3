#include <cstdint>

#include "CliArgs.h"
#include "CliFileUi.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {
namespace {

int decrypt(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--key", "--passphrase-file"}, {"--force", "-r", "--recursive"});
    a.expectPositional(1, SIZE_MAX);
    FileSelection selection = selectFiles(a, home, true, false);
    const PassphraseSource source(a, "--passphrase-file");
    source.require();
    // The key is named before the passphrase is asked for.
    const std::string key = a.has("--key") ? keyIdOf(home, a.value("--key"), KeyArgumentUse::KeyPair) : "";
    CliFileUi ui(a.has("--force"), false, source.read("Passphrase: "));
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::Create);
    BatchResult result = DecryptFiles(ring, key, selection.files, ui);
    result.skipped = std::move(selection.skipped);
    return batchOutcome(result);
}

const CommandRegistration registration({"decrypt",
                                        "usage: zerath-cli decrypt [--key KEY] [--passphrase-file F] [--force] [-r] FILE...\n"
                                        "Decrypts each FILE with the key pair it was made for (KEY when it\n"
                                        "opens the file); the passphrase is read once. Prints each decrypted\n"
                                        "file's path; exits 1 when any file failed. -r/--recursive takes every\n"
                                        ".enc file beneath a folder.\n",
                                        decrypt});

} // namespace
} // namespace zerath::cli
