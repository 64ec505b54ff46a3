#include <cstdint>

#include "CliArgs.h"
#include "CliFileUi.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"
#include "StreamIo.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/KeyMatch.h"
#include "filecrypt/SessionKey.h"
#include "filecrypt/StreamCrypt.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {
namespace {

// The own key pair that opens a file with this check value: KEYID when it
// does, else the only one that does; KEYID as it is when none does (the
// decryption then says that it does not match).
KeyRecord keyPairFor(KeyRing& ring, std::uint32_t check, const std::string& keyId)
{
    const std::vector<KeyRecord> pairs = KeysMatching(ring, check, true);
    for (const KeyRecord& r : pairs)
        if (r.KeyID == keyId) return r;
    if (!keyId.empty()) {
        selectKey(ring, keyId);
        return ring.CurrentRecord();
    }
    if (pairs.size() == 1) return pairs[0];
    if (pairs.size() > 1) throw UsageError{"several key pairs open the file: choose one with --key"};
    throw UserMessage(UserMessage::WarningBox, "No Private key selected. Double click on private key.");
}

// One input to one output: standard output is written as the data comes and a
// failing check at the end exits 1 after it; a file takes its name only once
// the whole stream checked.
int decryptStream(KeyRing& ring, const CliArgs& a, const std::string& keyId, const std::string& input)
{
    const bool fromStdin = isStandardStream(input);
    const PassphraseSource source(a, "--passphrase-file", fromStdin);
    source.require();
    const std::unique_ptr<InputFile> in = openInput(input);
    EncryptedFileHeader header;
    try {
        header = readEncryptedFileHeader(*in);
    } catch (const Error&) {
        throw UserMessage(UserMessage::ErrorBox, kDecryptError);
    }
    const KeyRecord record = keyPairFor(ring, header.keyCheck, keyId);
    if (record.ExponentD.size() < 128) throw UserMessage(UserMessage::WarningBox, "Select a private key and try again.");
    const SecureString passphrase = source.read("Passphrase: ");
    if (!CheckPrivatePassphrase(record, passphrase))
        throw UserMessage(UserMessage::ErrorBox, kWrongPassphrase);

    const std::string output = a.value("--output", fromStdin ? "-" : decryptedName(input));
    StreamOutput out(output, a.has("--force"), kOwnerOnly, AtomicFile::Scrub::Overwrite);
    runStream(*in, input, output, out, a.has("--quiet"), kDecryptError,
              [&](ByteSink& sink, const StreamProgress& progress) {
                  DecryptStream(record, passphrase, header, *in, sink, progress);
              });
    return 0;
}

int decrypt(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--key", "--passphrase-file", "--output"}, {"--force", "--quiet", "--recursive"});
    a.expectPositional(1, SIZE_MAX);
    // The key is named before the passphrase is asked for; only a key ring
    // that exists names one, and a missing one is created empty after.
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    const std::string key =
        a.has("--key") ? resolveKeyArgument(ring, a.value("--key"), KeyArgumentUse::KeyPair).KeyID : "";
    if (!ring.Active()) ring.DBOpen(KeyRing::MissingFile::Create);
    const auto streamed = runIfStream(a, [&](const std::string& input) { return decryptStream(ring, a, key, input); });
    if (streamed) return *streamed;
    FileSelection selection = selectFiles(a, home, true, false);
    const PassphraseSource source(a, "--passphrase-file");
    source.require();
    CliFileUi ui(a.has("--force"), false, source.read("Passphrase: "), a.has("--quiet"));
    BatchResult result = DecryptFiles(ring, key, selection.files, ui);
    result.skipped = std::move(selection.skipped);
    return batchOutcome(result, a.has("--quiet"));
}

const CommandRegistration registration({"decrypt",
                                        "usage: zerath-cli decrypt [--key KEY] [--passphrase-file F] [--force] [--quiet] [-r] [-o OUT]\n"
                                        "                          FILE...\n"
                                        "Decrypts each FILE with the key pair it was made for (KEY when it\n"
                                        "opens the file); the passphrase is read once. -r/--recursive takes every\n"
                                        ".enc file beneath a folder. FILE - reads standard input, whose\n"
                                        "plain data goes to standard output unless -o OUT (--output; - for standard output)\n"
                                        "names a file. Standard output is written as the data comes: when the check at the\n"
                                        "end fails, the command exits 1 after it. A file is written only once the whole\n"
                                        "input checked. Prints each decrypted file's path unless --quiet; exits 1 when any\n"
                                        "file failed.\n",
                                        decrypt});

} // namespace
} // namespace zerath::cli
