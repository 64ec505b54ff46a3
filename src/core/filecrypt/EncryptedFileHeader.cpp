#include "filecrypt/EncryptedFileHeader.h"

#include "common/Error.h"
#include "common/InputFile.h"

namespace zerath {

std::string EncryptedFileHeader::serialize() const
{
    if (wrappedKey.size() > 0xFFFF) throw Error("Wrapped session key too long");
    std::string out;
    out.reserve(static_cast<std::size_t>(size()));
    out.push_back(static_cast<char>(cipherNumber));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((keyCheck >> shift) & 0xFF));
    out.push_back(static_cast<char>(wrappedKey.size() & 0xFF));
    out.push_back(static_cast<char>(wrappedKey.size() >> 8));
    out += wrappedKey;
    out.append(reinterpret_cast<const char*>(iv.data()), iv.size());
    return out;
}

EncryptedFileHeader readEncryptedFileHeader(InputFile& in)
{
    EncryptedFileHeader h;
    std::uint8_t fixed[7];
    in.readExact(fixed, sizeof fixed);
    h.cipherNumber = fixed[0];
    h.keyCheck = (std::uint32_t(fixed[1]) << 24) | (std::uint32_t(fixed[2]) << 16) |
                 (std::uint32_t(fixed[3]) << 8) | std::uint32_t(fixed[4]);
    const std::size_t length = std::size_t(fixed[5]) | (std::size_t(fixed[6]) << 8);
    h.wrappedKey.resize(length);
    if (length) in.readExact(h.wrappedKey.data(), length);
    in.readExact(h.iv.data(), h.iv.size());
    return h;
}

} // namespace zerath
