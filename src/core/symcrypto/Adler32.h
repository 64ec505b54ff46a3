#pragma once
// Adler-32 (RFC 1950), the check value that ends a zlib stream: two sums
// modulo 65521, the first of the bytes (plus one), the second of the first's
// running values. The AVX2 path takes 32 bytes a step; both give the same value.
#include <cstddef>
#include <cstdint>

namespace zerath {

// The value of the empty input.
constexpr std::uint32_t kAdler32Start = 1;

// The check value after `adler` has taken in `length` more bytes.
std::uint32_t Adler32Update(std::uint32_t adler, const void* data, std::size_t length);

namespace adler32_detail {
bool WideAvailable();
std::uint32_t Portable(std::uint32_t adler, const std::uint8_t* p, std::size_t n);
std::uint32_t Wide(std::uint32_t adler, const std::uint8_t* p, std::size_t n); // only when WideAvailable()
} // namespace adler32_detail

} // namespace zerath
