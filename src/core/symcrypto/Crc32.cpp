#include "symcrypto/Crc32.h"

#include <array>
#include <atomic>

#include "common/Error.h"

namespace zerath {

namespace {

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i;
        for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
        t[i] = r;
    }
    return t;
}
constexpr auto kTable = makeTable();
static_assert(kTable[1] == 0x77073096u && kTable[128] == 0xEDB88320u);

std::atomic<bool> tableChecked{false};

} // namespace

const std::uint32_t CRC32Table[256] = {
#define Z(i) kTable[i], kTable[i + 1], kTable[i + 2], kTable[i + 3], kTable[i + 4], kTable[i + 5], kTable[i + 6], kTable[i + 7]
    Z(0),   Z(8),   Z(16),  Z(24),  Z(32),  Z(40),  Z(48),  Z(56),  Z(64),  Z(72),  Z(80),
    Z(88),  Z(96),  Z(104), Z(112), Z(120), Z(128), Z(136), Z(144), Z(152), Z(160), Z(168),
    Z(176), Z(184), Z(192), Z(200), Z(208), Z(216), Z(224), Z(232), Z(240), Z(248)
#undef Z
};

std::uint32_t CRC32Update(const void* data, std::size_t length, std::uint32_t crc)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < length; ++i) crc = CRC32Table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

std::uint32_t CRC32TableCheckValue(const std::uint32_t (&table)[256])
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint32_t entry : table) {
        for (int k = 0; k < 4; ++k) {
            const std::uint8_t b = static_cast<std::uint8_t>(entry >> (8 * k));
            crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
        }
    }
    return ~crc;
}

void VerifyCRC32Table(const std::uint32_t (&table)[256])
{
    const std::uint32_t v = CRC32TableCheckValue(table);
    if (v != 0x6FCF9E13u) throw Error("CRC32 Table CRC32 is " + CRC32ToText(v) + ", expecting $6FCF9E13");
}

bool CalcCRC32(std::string_view text, std::uint32_t& crc)
{
    if (!tableChecked.load(std::memory_order_acquire)) {
        VerifyCRC32Table(CRC32Table);
        tableChecked.store(true, std::memory_order_release);
    }
    crc = ~CRC32Update(text.data(), text.size(), 0xFFFFFFFFu);
    return true;
}

std::string CRC32ToText(std::uint32_t crc)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, crc >>= 4) s[static_cast<std::size_t>(i)] = hex[crc & 15];
    return s;
}

} // namespace zerath
