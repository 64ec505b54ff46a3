#include <cstdint>

#include "CliArgs.h"
#include "CliFileUi.h"
#include "CliKeys.h"
#include "Command.h"
#include "keyring/KeyRing.h"
#include "settings/Settings.h"
#include "symcrypto/CipherList.h"

namespace zerath::cli {
namespace {

int encrypt(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--to", "--cipher", "--level"}, {"--wipe", "--force", "-r", "--recursive"});
    a.expectPositional(1, SIZE_MAX);
    const Settings settings(home);
    EncryptOptions o;
    const std::string to = a.required("--to");
    if (a.has("--cipher")) {
        o.cipherIndex = findCipher(a.value("--cipher"));
        if (o.cipherIndex < 0) throw UsageError{"unknown cipher " + a.value("--cipher")};
    } else {
        o.stealthyCipher = settings.stealthyCipher();
    }
    // Settings are taken as the desktop program takes them; only a level given
    // on the command line can be a usage error.
    if (a.has("--level")) {
        o.compressionIndex = parseInt(a.value("--level"), "level");
        if (o.compressionIndex < 0 || o.compressionIndex > 3) throw UsageError{"the level is 0..3"};
    } else {
        o.compressionIndex = Settings::CompressionLevelInEffect(settings.compressionLevel());
    }
    o.wipeOriginal = a.has("--wipe");
    FileSelection selection = selectFiles(a, home, false, o.wipeOriginal);
    o.keyId = keyIdOf(home, to, KeyArgumentUse::Recipient);
    NoProgress progress;
    TShredder shredder([&] { return Settings::ClampPassCount(settings.shredCount()); }, progress, nullPump());
    o.shredFile = [&](const std::string& path) { shredder.ShredFile(path); };
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::Create);
    CliFileUi ui(a.has("--force"), o.wipeOriginal, SecureString());
    BatchResult result = EncryptFiles(ring, o, selection.files, ui);
    result.skipped = std::move(selection.skipped);
    return batchOutcome(result);
}

const CommandRegistration registration(
    {"encrypt",
     "usage: zerath-cli encrypt --to KEY [--cipher C] [--level L] [--wipe] [--force] [-r] FILE...\n"
     "Encrypts each FILE for KEY into FILE.enc; -r/--recursive takes every file beneath a\n"
     "folder (except .enc files); --wipe shreds FILE afterwards; --force replaces\n"
     "an existing FILE.enc. Prints each encrypted file's path; exits 1 when any file failed.\n",
     encrypt});

} // namespace
} // namespace zerath::cli
