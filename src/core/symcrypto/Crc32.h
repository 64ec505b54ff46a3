#pragma once
// CRC-32 (reflected, polynomial 0xEDB88320) with its table self-test.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zerath {

extern const std::uint32_t CRC32Table[256];

// register := CRC32Table[(register xor b) and 0xFF] xor (register shr 8) per byte.
std::uint32_t CRC32Update(const void* data, std::size_t length, std::uint32_t crc);

// The table check: CRC-32 of the table's own 1024 bytes (entries little-endian,
// in index order), looked up through that table. A sound table gives 0x6FCF9E13.
std::uint32_t CRC32TableCheckValue(const std::uint32_t (&table)[256]);
// Raises Error "CRC32 Table CRC32 is XXXXXXXX, expecting $6FCF9E13" when the check fails.
void VerifyCRC32Table(const std::uint32_t (&table)[256]);

// CRC-32 of the text's bytes (register starts at 0xFFFFFFFF, result inverted).
// Checks CRC32Table first (only the first successful check does work; the
// table is constant). Answers true; a failed table check raises its error.
bool CalcCRC32(std::string_view text, std::uint32_t& crc);

// The text form of a CRC: 8 upper-case hexadecimal digits with leading zeros.
std::string CRC32ToText(std::uint32_t crc);

} // namespace zerath
