// zerath-cli: the key ring, file encryption and the shredder from the command line.
// Every command is a thin call into the core library; passphrases come only from
// files or standard input, never from the command line.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "common/Error.h"
#include "common/Secure.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyPairGenerator.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"
#include "symcrypto/CipherList.h"

using namespace zerath;
using zerath::cli::CliArgs;
using zerath::cli::UsageError;

namespace {

const char* const kUsage =
    "usage: zerath-cli [--home DIR] COMMAND [OPTIONS] [ARGS]\n"
    "\n"
    "commands:\n"
    "  keygen --owner NAME --passphrase-file F\n"
    "  import FILE [--passphrase-file F]\n"
    "  list\n"
    "  info KEYID\n"
    "  remove KEYID\n"
    "  export-public KEYID FILE\n"
    "  export-private KEYID FILE --passphrase-file F\n"
    "  passwd KEYID --passphrase-file OLD --new-passphrase-file NEW\n"
    "  encrypt --to KEYID [--cipher C] [--level L] [--wipe] [--force] FILE\n"
    "  decrypt --key KEYID --passphrase-file F [--force] FILE\n"
    "  shred [--passes N] FILE...\n"
    "\n"
    "--home DIR holds zerath.ini and ZerathKeys.db and receives generated key files\n"
    "(default: the program's folder). Passphrase files: F = - reads standard input;\n"
    "one trailing line break is removed. C is 0..4 or rijndael, rc6, mars, serpent,\n"
    "twofish; L is 0..3. 'zerath-cli COMMAND --help' shows one command.\n";

const std::map<std::string, std::string> kCommandUsage = {
    {"keygen", "usage: zerath-cli keygen --owner NAME --passphrase-file F\n"
               "Generates a 2048-bit key pair and writes Private<KeyID>.akf and Public<KeyID>.akf\n"
               "into the home folder; prints the private then the public file's path.\n"},
    {"import", "usage: zerath-cli import FILE [--passphrase-file F]\n"
               "Imports a key file into the key ring (a private key file needs its passphrase);\n"
               "prints the new key ID.\n"},
    {"list", "usage: zerath-cli list\nOne line per key: Type, UserID, KeyID, KeyLength, Date separated by TAB.\n"},
    {"info", "usage: zerath-cli info KEYID\nPrints the key information.\n"},
    {"remove", "usage: zerath-cli remove KEYID\nRemoves the key from the key ring.\n"},
    {"export-public", "usage: zerath-cli export-public KEYID FILE\nWrites the key's public key file.\n"},
    {"export-private", "usage: zerath-cli export-private KEYID FILE --passphrase-file F\n"
                       "Writes the key pair's private key file under its passphrase.\n"},
    {"passwd", "usage: zerath-cli passwd KEYID --passphrase-file OLD --new-passphrase-file NEW\n"
               "Changes the passphrase of a key pair in the key ring.\n"},
    {"encrypt", "usage: zerath-cli encrypt --to KEYID [--cipher C] [--level L] [--wipe] [--force] FILE\n"
                "Encrypts FILE for KEYID into FILE.enc; --wipe shreds FILE afterwards; --force replaces\n"
                "an existing FILE.enc. Prints the encrypted file's path.\n"},
    {"decrypt", "usage: zerath-cli decrypt --key KEYID --passphrase-file F [--force] FILE\n"
                "Decrypts FILE with the key pair KEYID; prints the decrypted file's path.\n"},
    {"shred", "usage: zerath-cli shred [--passes N] FILE...\nWipes and deletes each FILE.\n"},
};

std::string programFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1);
}

// Reads a passphrase from a file or standard input ("-"); one trailing LF or
// CR LF is removed.
SecureString readPassphrase(const std::string& source)
{
    const int fd = source == "-" ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(errno));
    SecureString text;
    text.reserve(256);
    char chunk[256];
    for (;;) {
        const ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        text.append(chunk, static_cast<std::size_t>(r));
        if (text.size() > 64 * 1024) break;
    }
    secureZero(chunk, sizeof chunk);
    if (fd != STDIN_FILENO) ::close(fd);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    return text;
}

// Windows-style line separators in messages become line breaks on a terminal.
std::string terminalText(std::string s)
{
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\r') s[i] = '\n';
    return s;
}

void selectKey(KeyRing& ring, const std::string& keyId)
{
    if (!ring.Active() || !ring.SearchDB("KeyID", keyId))
        throw UserMessage(UserMessage::ErrorBox, "The key " + keyId + " is not in the key ring.");
}

// The key manager's table, on a key ring created empty when missing.
void openKeyManager(KeyManager& manager)
{
    manager.Ring().DBOpen(KeyRing::MissingFile::Create);
}

class CliFileUi : public FileCommandUi {
public:
    CliFileUi(bool force, bool wipe, SecureString passphrase)
        : force_(force), wipe_(wipe), passphrase_(std::move(passphrase))
    {
    }
    Answer askWipeOriginal(const std::string&) override { return wipe_ ? Answer::Yes : Answer::No; }
    bool confirmOverwrite(const std::string& text) override
    {
        if (!force_) refused_ = text;
        return force_;
    }
    bool askPassphrase(SecureString& out) override
    {
        out = passphrase_;
        return true;
    }
    const std::string& refused() const { return refused_; }

private:
    bool force_;
    bool wipe_;
    SecureString passphrase_;
    std::string refused_;
};

class NoProgress : public WipeProgress {
public:
    void setMax(int) override {}
    void setPosition(int) override {}
};

int fileCommandOutcome(const FileCommandResult& r, const CliFileUi& ui)
{
    if (!r.done) {
        std::cerr << ui.refused() << "\n";
        return 1;
    }
    std::cout << r.outputPath << "\n";
    return 0;
}

int parseInt(const std::string& text, const std::string& what)
{
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used != text.size()) throw 0;
        return v;
    } catch (...) {
        throw UsageError{"invalid " + what + " " + text};
    }
}

int run(const std::string& home, const std::string& command, const std::vector<std::string>& rest)
{
    if (command == "keygen") {
        CliArgs a(rest, {"--owner", "--passphrase-file"}, {});
        a.expectPositional(0, 0);
        const std::string owner = a.required("--owner");
        const SecureString pass = readPassphrase(a.required("--passphrase-file"));
        const KeyPairResult r = GenerateKeyPairFiles(home, owner, pass);
        std::cout << r.PrivateKeyFile << "\n" << r.PublicKeyFile << "\n";
        return 0;
    }
    if (command == "import") {
        CliArgs a(rest, {"--passphrase-file"}, {});
        a.expectPositional(1, 1);
        const std::string passFile = a.value("--passphrase-file");
        KeyManager manager(home);
        openKeyManager(manager);
        const auto id = manager.ImportKey(a.positional()[0], [&](SecureString& out) {
            if (passFile.empty()) return false;
            out = readPassphrase(passFile);
            return true;
        });
        manager.Close();
        if (!id) throw UsageError{"a private key file needs --passphrase-file"};
        std::cout << *id << "\n";
        return 0;
    }
    if (command == "list") {
        CliArgs a(rest, {}, {});
        a.expectPositional(0, 0);
        KeyManager manager(home);
        manager.Open();
        for (const KeySummary& k : manager.ListKeys())
            std::cout << k.Type << '\t' << k.UserID << '\t' << k.KeyID << '\t' << k.KeyLength << '\t' << k.Date
                      << "\n";
        manager.Close();
        return 0;
    }
    if (command == "info" || command == "remove") {
        CliArgs a(rest, {}, {});
        a.expectPositional(1, 1);
        KeyManager manager(home);
        manager.Open();
        selectKey(manager.Ring(), a.positional()[0]);
        if (command == "info") {
            for (const std::string& line : manager.KeyInformationLines()) std::cout << line << "\n";
        } else {
            manager.RemoveCurrentKey([](const UserMessage&) { return true; });
        }
        manager.Close();
        return 0;
    }
    if (command == "export-public" || command == "export-private") {
        const bool priv = command == "export-private";
        CliArgs a(rest, {"--passphrase-file"}, {});
        a.expectPositional(2, 2);
        std::string target = a.positional()[1];
        const std::string passFile = priv ? a.required("--passphrase-file") : std::string();
        KeyManager manager(home);
        manager.Open();
        selectKey(manager.Ring(), a.positional()[0]);
        auto choose = [&](std::string& path) {
            path = target;
            return true;
        };
        if (priv) {
            manager.ExportPrivateKey([](const UserMessage&) { return true; },
                                     [&](SecureString& out) {
                                         out = readPassphrase(passFile);
                                         return true;
                                     },
                                     choose);
        } else {
            manager.ExportPublicKey(choose);
        }
        manager.Close();
        return 0;
    }
    if (command == "passwd") {
        CliArgs a(rest, {"--passphrase-file", "--new-passphrase-file"}, {});
        a.expectPositional(1, 1);
        const std::string oldFile = a.required("--passphrase-file");
        const std::string newFile = a.required("--new-passphrase-file");
        if (oldFile == "-" && newFile == "-") throw UsageError{"only one passphrase can come from standard input"};
        const SecureString oldPass = readPassphrase(oldFile);
        const SecureString newPass = readPassphrase(newFile);
        KeyManager manager(home);
        manager.Open();
        selectKey(manager.Ring(), a.positional()[0]);
        const UserMessage done = manager.ChangePassphrase(oldPass, newPass, newPass);
        manager.Close();
        std::cout << done.what() << "\n";
        return 0;
    }
    if (command == "encrypt") {
        CliArgs a(rest, {"--to", "--cipher", "--level"}, {"--wipe", "--force"});
        a.expectPositional(1, 1);
        const Settings settings(home);
        EncryptOptions o;
        o.keyId = a.required("--to");
        o.sourcePath = a.positional()[0];
        if (a.has("--cipher")) {
            o.cipherIndex = findCipher(a.value("--cipher"));
            if (o.cipherIndex < 0) throw UsageError{"unknown cipher " + a.value("--cipher")};
        } else {
            o.stealthyCipher = settings.stealthyCipher();
        }
        o.compressionIndex = a.has("--level") ? parseInt(a.value("--level"), "level") : settings.compressionLevel();
        if (o.compressionIndex < 0 || o.compressionIndex > 3) throw UsageError{"the level is 0..3"};
        o.wipeOriginal = a.has("--wipe");
        NoProgress progress;
        TShredder shredder([&] { return settings.shredCount(); }, progress, nullPump());
        o.shredFile = [&](const std::string& path) { shredder.ShredFile(path); };
        KeyRing ring(home);
        ring.DBOpen(KeyRing::MissingFile::Create);
        CliFileUi ui(a.has("--force"), o.wipeOriginal, SecureString());
        return fileCommandOutcome(EncryptFile(ring, o, ui), ui);
    }
    if (command == "decrypt") {
        CliArgs a(rest, {"--key", "--passphrase-file"}, {"--force"});
        a.expectPositional(1, 1);
        DecryptOptions o;
        o.keyId = a.required("--key");
        o.encryptedPath = a.positional()[0];
        CliFileUi ui(a.has("--force"), false, readPassphrase(a.required("--passphrase-file")));
        KeyRing ring(home);
        ring.DBOpen(KeyRing::MissingFile::Create);
        return fileCommandOutcome(DecryptFile(ring, o, ui), ui);
    }
    if (command == "shred") {
        CliArgs a(rest, {"--passes"}, {});
        if (a.positional().empty()) throw UsageError{"missing argument"};
        const Settings settings(home);
        const int passes = a.has("--passes") ? parseInt(a.value("--passes"), "pass count") : settings.shredCount();
        NoProgress progress;
        TShredder shredder([passes] { return passes; }, progress, nullPump());
        for (const std::string& file : a.positional()) shredder.ShredFile(file);
        return 0;
    }
    throw UsageError{"unknown command " + command};
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string home;
    std::string command;
    try {
        std::size_t i = 0;
        if (i < args.size() && args[i] == "--home") {
            if (i + 1 >= args.size()) throw UsageError{"option --home needs a value"};
            home = args[i + 1];
            i += 2;
        }
        if (i >= args.size()) throw UsageError{"missing command"};
        if (args[i] == "--help" || args[i] == "help") {
            std::cout << kUsage;
            return 0;
        }
        command = args[i++];
        std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
        for (const std::string& r : rest) {
            if (r == "--help") {
                const auto it = kCommandUsage.find(command);
                std::cout << (it == kCommandUsage.end() ? kUsage : it->second.c_str());
                return it == kCommandUsage.end() ? 2 : 0;
            }
        }
        if (home.empty()) home = programFolder();
        if (home.back() != '/') home += '/';
        return run(home, command, rest);
    } catch (const UsageError& e) {
        std::cerr << "zerath-cli: " << e.text << "\n";
        const auto it = kCommandUsage.find(command);
        std::cerr << (it == kCommandUsage.end() ? kUsage : it->second.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::cerr << terminalText(e.what()) << "\n";
        return 1;
    }
}
