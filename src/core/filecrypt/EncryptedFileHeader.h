#pragma once
// The clear header of an encrypted file:
//   byte 0        cipher number (index in the cipher list, 0..4)
//   bytes 1..4    key check value, most significant byte first
//   bytes 5..6    L, least significant byte first
//   7 .. 7+L      wrapped session key text (base-16 digits, no terminator)
//   7+L .. 23+L   initialisation vector
// followed by the CBC ciphertext of the zlib stream, as long as that stream.
#include <array>
#include <cstdint>
#include <string>

namespace zerath {

class InputFile;

struct EncryptedFileHeader {
    std::uint8_t cipherNumber = 0;
    std::uint32_t keyCheck = 0;
    std::string wrappedKey;
    std::array<std::uint8_t, 16> iv{};

    std::string serialize() const; // fails when the wrapped key does not fit 16 bits
    std::uint64_t size() const { return 23 + wrappedKey.size(); }
};

// Reads the header; a file that ends inside it fails with "Unexpected end of file".
EncryptedFileHeader readEncryptedFileHeader(InputFile& in);

} // namespace zerath
