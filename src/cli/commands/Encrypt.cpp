#include <unistd.h>

#include <cstdint>

#include "CliArgs.h"
#include "CliFileUi.h"
#include "CliKeys.h"
#include "Command.h"
#include "StreamIo.h"
#include "keyring/KeyRing.h"
#include "keyring/KeyRules.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/StreamCrypt.h"
#include "pubkey/SystemRandom.h"
#include "settings/Settings.h"
#include "symcrypto/CipherList.h"

namespace zerath::cli {
namespace {

// One input to one output, either of them possibly a stream: "-" reads
// standard input, and the output (-o, else FILE.enc, else standard output) is
// written as the input comes.
int encryptStream(KeyRing& ring, const EncryptOptions& o, const CliArgs& a, const std::string& input)
{
    const std::string output = a.value("--output", isStandardStream(input) ? "-" : input + ".enc");
    if (isStandardStream(output) && ::isatty(STDOUT_FILENO) == 1)
        throw UsageError{"encrypted data is not written to a terminal: use -o FILE or a pipe"};
    if (o.wipeOriginal && isStandardStream(input)) throw UsageError{"--wipe needs a file, not standard input"};
    selectKey(ring, o.keyId);
    const KeyRecord recipient = ring.CurrentRecord();
    CheckRecipientRecord(recipient);
    const int cipher = o.stealthyCipher ? static_cast<int>(SystemRandom(kCipherCount)) : o.cipherIndex;

    const std::unique_ptr<InputFile> in = openInput(input);
    StreamOutput out(output, a.has("--force"), kDefaultMode, AtomicFile::Scrub::None);
    runStream(*in, input, output, out, a.has("--quiet"), kEncryptError,
              [&](ByteSink& sink, const StreamProgress& progress) {
                  EncryptStream(recipient, cipher, o.compressionIndex, *in, sink, progress);
              });
    if (o.wipeOriginal) o.shredFile(input);
    return 0;
}

int encrypt(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--to", "--cipher", "--level", "--output"}, {"--wipe", "--force", "--quiet", "--recursive"});
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
    // Only a key ring that exists names the recipient: once it did, it is open.
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    o.keyId = resolveKeyArgument(ring, to, KeyArgumentUse::Recipient).KeyID;
    NoProgress progress;
    TShredder shredder([&] { return Settings::ClampPassCount(settings.shredCount()); }, progress, nullPump());
    o.shredFile = [&](const std::string& path) { shredder.ShredFile(path); };
    const auto streamed = runIfStream(a, [&](const std::string& input) { return encryptStream(ring, o, a, input); });
    if (streamed) return *streamed;
    FileSelection selection = selectFiles(a, home, false, o.wipeOriginal);
    CliFileUi ui(a.has("--force"), o.wipeOriginal, SecureString(), a.has("--quiet"));
    BatchResult result = EncryptFiles(ring, o, selection.files, ui);
    result.skipped = std::move(selection.skipped);
    return batchOutcome(result, a.has("--quiet"));
}

const CommandRegistration registration(
    {"encrypt",
     "usage: zerath-cli encrypt --to KEY [--cipher C] [--level L] [--wipe] [--force] [--quiet] [-r]\n"
     "                          [-o OUT] FILE...\n"
     "Encrypts each FILE for KEY into FILE.enc; -r/--recursive takes every file beneath a\n"
     "folder (except .enc files); --wipe shreds FILE afterwards; --force replaces an existing\n"
     "output. FILE - reads standard input. -o OUT (--output) names the output of a single FILE,\n"
     "- for standard output (not a terminal); standard input goes to standard output unless -o\n"
     "says otherwise. Prints each encrypted file's path unless --quiet; exits 1 when any file\n"
     "failed.\n",
     encrypt});

} // namespace
} // namespace zerath::cli
