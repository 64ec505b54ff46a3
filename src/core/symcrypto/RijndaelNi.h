#pragma once
// The AES-instruction path of TDCP_rijndael. Round keys are 16-byte blocks;
// rounds is 10, 12 or 14. Call only when Available() answers true.
#include <cstddef>
#include <cstdint>

namespace zerath::rijndael_ni {

bool Available();

// dec := the equivalent-inverse-cipher schedule of enc.
void MakeDecryptionKey(const std::uint8_t* enc, std::uint8_t* dec, int rounds);

void EncryptBlock(const std::uint8_t* rk, int rounds, const std::uint8_t* in, std::uint8_t* out);
void DecryptBlock(const std::uint8_t* drk, int rounds, const std::uint8_t* in, std::uint8_t* out);

// Whole blocks; in and out may be the same buffer; cv is updated.
void EncryptCbc(const std::uint8_t* rk, int rounds, std::uint8_t* cv, const std::uint8_t* in,
                std::uint8_t* out, std::size_t blocks);
void DecryptCbc(const std::uint8_t* drk, int rounds, std::uint8_t* cv, const std::uint8_t* in,
                std::uint8_t* out, std::size_t blocks);

} // namespace zerath::rijndael_ni
