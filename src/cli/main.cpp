// zerath-cli: the key ring, file encryption and the shredder from the command line.
// Every command is a small unit under commands/ that calls into the core library;
// main only finds the command and turns its errors into exit codes. Passphrases
// come only from files, standard input or the terminal, never from the command line.
#include <signal.h>
#include <zlib.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Command.h"
#include "TerminalText.h"
#include "common/Error.h"
#include "common/Warnings.h"
#include "pubkey/ProcessStartup.h"
#include "settings/DataFolder.h"

using zerath::cli::Command;
using zerath::cli::findCommand;
using zerath::cli::terminalText;
using zerath::cli::UsageError;

namespace {

const char* const kUsage =
    "usage: zerath-cli [--home DIR] COMMAND [OPTIONS] [ARGS]\n"
    "       zerath-cli --version | --help | -h\n"
    "\n"
    "commands:\n"
    "  keygen --owner NAME [--passphrase-file F] [--import]\n"
    "  import FILE [--passphrase-file F]\n"
    "  list [--fingerprints]\n"
    "  info KEYID\n"
    "  remove [--force] KEYID\n"
    "  export-public [--force] [-o FILE] KEYID [FILE]\n"
    "  export-private [--force] [-o FILE] KEYID [FILE] [--passphrase-file F]\n"
    "  passwd KEYID [--passphrase-file OLD] [--new-passphrase-file NEW]\n"
    "  encrypt --to KEYID [--cipher C] [--level L] [--wipe] [--force] [--quiet] [-o OUT] FILE...\n"
    "  decrypt [--key KEYID] [--passphrase-file F] [--force] [--quiet] [-o OUT] FILE...\n"
    "  inspect FILE\n"
    "  shred [--passes N] [--quiet] FILE...\n"
    "  where\n"
    "\n"
    "KEYID: a key ID (any case, 0x allowed) or a key or record fingerprint; info,\n"
    "export-public, encrypt --to and decrypt --key also take a part of the owner name.\n"
    "The data folder holds zerath.ini and ZerathKeys.db and receives generated key\n"
    "files: --home DIR, else $ZERATH_HOME, else the program's folder when it already\n"
    "holds them, else $XDG_DATA_HOME/zerath (~/.local/share/zerath), made owner-only.\n"
    "Passphrase files: F = - reads standard input;\n"
    "one trailing line break is removed. Without the option, or with F = - on a\n"
    "terminal, the passphrase is asked on the terminal. C is 0..4 or rijndael, rc6,\n"
    "mars, serpent, twofish; L is 0..3; N is 4..10. FILE - is standard input and\n"
    "OUT - standard output. Options take --opt VALUE or --opt=VALUE; -o, -f, -q\n"
    "stand for --output, --force, --quiet. 'zerath-cli COMMAND --help' shows one\n"
    "command. Exit status: 0 done, 1 failed, 2 usage error.\n";

bool isHelp(const std::string& a) { return a == "--help" || a == "-h"; }

const char* usageOf(const Command* command) { return command ? command->usage : kUsage; }

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const Command* command = nullptr;
    try {
        zerath::ProcessStartup();
        zerath::SetWarningSink([](const std::string& text) {
            std::cerr << "zerath-cli: warning: " << terminalText(text) << std::endl;
        });
        // A write to a closed pipe fails with EPIPE and ends the command quietly.
        ::signal(SIGPIPE, SIG_IGN);
        std::string home;
        std::size_t i = 0;
        if (i < args.size() && args[i] == "--home") {
            if (i + 1 >= args.size()) throw UsageError{"option --home needs a value"};
            home = args[i + 1];
            i += 2;
        } else if (i < args.size() && args[i].rfind("--home=", 0) == 0) {
            home = args[i++].substr(7);
        }
        if (i >= args.size()) throw UsageError{"missing command"};
        if (args[i] == "--version") {
            std::cout << "zerath-cli " << ZERATH_VERSION << " (zlib " << zlibVersion() << ")\n";
            return 0;
        }
        if (isHelp(args[i]) || args[i] == "help") {
            std::cout << kUsage;
            return 0;
        }
        const std::string name = args[i++];
        command = findCommand(name);
        std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
        for (const std::string& r : rest) {
            if (r == "--") break;
            if (isHelp(r)) {
                std::cout << usageOf(command);
                return command ? 0 : 2;
            }
        }
        if (!command) throw UsageError{"unknown command " + name};
        home = zerath::ResolveDataFolder(home, zerath::ExecutableFolder());
        zerath::CreateDataFolder(home);
        return command->run(home, rest);
    } catch (const UsageError& e) {
        std::cerr << "zerath-cli: " << e.text << "\n";
        std::cerr << usageOf(command);
        return 2;
    } catch (const std::exception& e) {
        // Whoever reads standard output has gone: nothing more to say.
        if (zerath::currentOsError() != EPIPE) std::cerr << "zerath-cli: " << terminalText(e.what()) << "\n";
        return 1;
    }
}
