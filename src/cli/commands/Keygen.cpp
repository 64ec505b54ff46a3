#include <iostream>

#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"
#include "keyring/KeyRules.h"
#include "pubkey/KeyPairGenerator.h"

namespace zerath::cli {
namespace {

int keygen(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--owner", "--passphrase-file"}, {"--import"});
    a.expectPositional(0, 0);
    const std::string owner = a.required("--owner");
    const PassphraseSource source(a, "--passphrase-file");
    source.require();
    // The generation dialog's rules, before the slow part.
    CheckKeyOwnerName(owner);
    const PassphraseSource::NewPassphrase pass = source.readNew();
    if (pass.passphrase != pass.confirmation) throw Error("The Passphrase does not mutch!.");
    CheckNewKeyPair(owner, pass.passphrase);
    const KeyPairResult r = GenerateKeyPairFiles(home, owner, pass.passphrase);
    std::cout << r.PrivateKeyFile << "\n" << r.PublicKeyFile << "\n";
    if (!a.has("--import")) {
        std::cerr << "To use the key pair, import it: zerath-cli import " << r.PrivateKeyFile << "\n";
        return 0;
    }
    KeyManager manager(home);
    openKeyManager(manager);
    const auto id = manager.ImportKey(r.PrivateKeyFile, [&](SecureString& out) { return out = pass.passphrase, true; });
    manager.Close();
    std::cout << id.value_or("") << "\n";
    return 0;
}

const CommandRegistration registration({"keygen",
                                        "usage: zerath-cli keygen --owner NAME [--passphrase-file F] [--import]\n"
                                        "Generates a 2048-bit key pair and writes Private<KeyID>.akf and "
                                        "Public<KeyID>.akf\n"
                                        "into the home folder; prints the private then the public file's path.\n"
                                        "--import also imports the pair into the key ring and prints its key ID.\n",
                                        keygen});

} // namespace
} // namespace zerath::cli
