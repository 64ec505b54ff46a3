#pragma once
// Base64 with the standard alphabet, "=" padding and no line breaks: the text
// form of enciphered key ring fields and key file bodies.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"

namespace zerath {

// Raised when a text holds a character that base64 never writes.
class EBase64 : public Error {
public:
    using Error::Error;
};

// n bytes give ((n + 2) / 3) * 4 characters.
std::size_t Base64EncodedLength(std::size_t n);
std::string Base64Encode(const void* data, std::size_t n);
inline std::string Base64Encode(std::string_view bytes) { return Base64Encode(bytes.data(), bytes.size()); }

// Decodes whole groups of four characters; a trailing incomplete group is
// ignored. A group gives one byte when its third character is "=", two when
// only its fourth is, else three; groups are decoded one by one, so padding
// inside the text only shortens that group. A character outside the alphabet
// where a digit belongs (including "=" in the first two places of a group)
// raises EBase64 "Invalid base64 text": corrupted text is refused rather than
// deciphered into garbage.
std::vector<std::uint8_t> Base64Decode(std::string_view text);

} // namespace zerath
