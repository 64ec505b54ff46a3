#include <cstdio>
#include <iostream>

#include "CliArgs.h"
#include "Command.h"
#include "TerminalText.h"
#include "StreamIo.h"
#include "common/InputFile.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/KeyMatch.h"
#include "keyring/KeyRing.h"
#include "keyring/KeyRules.h"
#include "symcrypto/CipherList.h"

namespace zerath::cli {
namespace {

// The shortest ciphertext there is: the zlib stream of no data.
constexpr std::size_t kShortestBody = 8;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A header as encryption writes it: a cipher number of the list, a wrapped key
// of base-16 digits no longer than the largest modulus gives, a whole vector,
// and a body after it.
bool readsAsEncrypted(InputFile& in, EncryptedFileHeader& header)
{
    try {
        header = readEncryptedFileHeader(in);
    } catch (const EFileError& e) {
        if (std::string(e.what()) != "Unexpected end of file") throw;
        return false;
    }
    const std::string& w = header.wrappedKey;
    if (!isValidCipherIndex(header.cipherNumber) || w.empty() || w.size() > std::size_t(kMaxModulusBits / 4))
        return false;
    for (char c : w)
        if (!isHexDigit(c)) return false;
    std::uint8_t body[kShortestBody];
    return in.read(body, sizeof body) == sizeof body;
}

// What an encrypted file's clear header tells, and whose key it was made for.
int inspect(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {});
    a.expectPositional(1, 1);
    const std::string& file = a.positional()[0];
    const std::unique_ptr<InputFile> in = openInput(file);
    EncryptedFileHeader header;
    if (!readsAsEncrypted(*in, header)) {
        std::cerr << "zerath-cli: Not an encrypted file (or damaged): " << file << "\n";
        return 1;
    }
    std::cout << "Cipher: " << cipherStatusName(*makeCipher(header.cipherNumber)) << "\n";
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
                                        "usage: zerath-cli inspect FILE\n"
                                        "Prints the cipher, the wrapped key's length and the key the file was\n"
                                        "made for; FILE - reads standard input. Exits 1 when FILE is not an\n"
                                        "encrypted file.\n",
                                        inspect});

} // namespace
} // namespace zerath::cli
