#include <iostream>

#include "CliArgs.h"
#include "Command.h"
#include "TerminalText.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFingerprint.h"

namespace zerath::cli {
namespace {

int list(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {"--fingerprints"});
    const bool fingerprints = a.has("--fingerprints");
    a.expectPositional(0, 0);
    KeyManager manager(home);
    manager.Open();
    for (const KeySummary& k : manager.ListKeys())
        std::cout << escapeControls(k.Type) << '\t' << escapeControls(k.UserID) << '\t' << escapeControls(k.KeyID)
                  << '\t' << escapeControls(k.KeyLength) << '\t' << escapeControls(k.Date)
                  << (fingerprints ? "\t" + GroupedFingerprint(k.KeyFingerprint) : std::string()) << "\n";
    manager.Close();
    return 0;
}

const CommandRegistration registration(
    {"list",
     "usage: zerath-cli list [--fingerprints]\nOne line per key: Type, UserID, KeyID, KeyLength, Date separated by TAB;\n"
     "--fingerprints adds the key fingerprint.\n",
     list});

} // namespace
} // namespace zerath::cli
