#include <cstdio>
#include <iostream>

#include "CliArgs.h"
#include "Command.h"
#include "TerminalText.h"
#include "common/InputFile.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/KeyMatch.h"
#include "keyring/KeyRing.h"
#include "symcrypto/CipherList.h"

namespace zerath::cli {
namespace {

// What an encrypted file's clear header tells, and whose key it was made for.
int inspect(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {});
    a.expectPositional(1, 1);
    InputFile in(a.positional()[0]);
    const EncryptedFileHeader header = readEncryptedFileHeader(in);
    const std::string cipher =
        isValidCipherIndex(header.cipherNumber) ? cipherStatusName(*makeCipher(header.cipherNumber)) : "unknown";
    std::cout << "Cipher: " << cipher << "\n";
    std::cout << "Wrapped key: " << header.wrappedKey.size() << " hex digits\n";
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    const std::vector<KeyRecord> keys = KeysMatching(ring, header.keyCheck, false);
    std::string last;
    for (const KeyRecord& k : keys) {
        if (k.KeyID != last) std::cout << "Made for: " << escapeControls(k.KeyID) << " " << escapeControls(k.UserID) << "\n";
        last = k.KeyID;
    }
    if (keys.empty()) {
        char check[9];
        std::snprintf(check, sizeof check, "%08X", header.keyCheck);
        std::cout << "Made for: no key in the key ring (check value " << check << ")\n";
    }
    return 0;
}

const CommandRegistration registration({"inspect",
                                        "usage: zerath-cli inspect FILE.enc\n"
                                        "Prints the cipher, the wrapped key's length and the key the file was\n"
                                        "made for.\n",
                                        inspect});

} // namespace
} // namespace zerath::cli
