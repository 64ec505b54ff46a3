#pragma once
// The rules for the texts of a key that people type or read: the owner name and
// the creation date. Key files and the key ring share them, so they live here,
// below both.
//
// Key files and the key ring are 8-bit text that other programs write in their
// code pages, so import accepts any byte except those that break a key ring
// line or its reading ("|", C0 controls, DEL, a leading double quote). A key
// made here must also be valid UTF-8 without C1 controls (U+0080..U+009F) or
// the direction overrides U+202A..U+202E and U+2066..U+2069, which would make
// a name show as another one.
#include <cstddef>
#include <string>
#include <string_view>

namespace zerath {

inline constexpr std::size_t kMaxKeyOwnerLength = 73;
inline constexpr std::size_t kMinKeyOwnerLength = 5; // for a new key pair
// A new passphrase (generation, change) has at most this many characters;
// unlocking takes any passphrase that was accepted before.
inline constexpr std::size_t kMaxNewPassphraseLength = 4096;

namespace keyrule {
inline constexpr std::string_view OwnerEmpty = "The Key Owner cannot be empty.";
inline constexpr std::string_view OwnerDelimiter = "The Key Owner cannot contain the character |.";
inline constexpr std::string_view OwnerTooLong = "The Key Owner cannot be longer than 73 characters.";
inline constexpr std::string_view OwnerControl = "The Key Owner cannot contain control characters.";
inline constexpr std::string_view OwnerQuote = "The Key Owner cannot start with a double quote.";
inline constexpr std::string_view OwnerNotUtf8 = "The Key Owner must be UTF-8 text.";
inline constexpr std::string_view OwnerInvisible =
    "The Key Owner cannot contain invisible control or text direction characters.";
inline constexpr std::string_view PassphraseTooLong = "The passphrase cannot be longer than 4096 characters.";
inline constexpr std::string_view BadDate =
    "The key's creation date cannot contain the character |, control characters or a leading double quote.";
} // namespace keyrule

// What import accepts: not empty, no "|", no C0 control or DEL, no leading
// double quote, at most 73 bytes. Raises Error with the keyrule text.
void CheckKeyOwnerName(std::string_view owner);
// The creation date: no "|", C0 control or DEL, no leading double quote.
void CheckKeyDate(std::string_view date);
// A new key's owner: CheckKeyOwnerName, then valid UTF-8 without C1 controls
// or direction overrides.
void CheckNewKeyOwner(std::string_view owner);

// A new passphrase: at most 4096 characters (UTF-8 sequences counted once).
void CheckNewPassphraseLength(std::string_view passphrase);

// The code point of valid UTF-8 at text[pos] and its length in bytes; length 0
// when the bytes there are not valid UTF-8 (overlong, surrogate, cut short).
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;
};
Utf8Char DecodeUtf8(std::string_view text, std::size_t pos);
// C0, DEL, C1 and the direction overrides: what no display shows as it is.
bool IsHiddenCodePoint(char32_t c);
// A key's text as every front end shows it: hidden code points escaped (\t,
// \n, \r, \xHH below U+0080 or DEL, \uHHHH above), and every byte that is not
// part of valid UTF-8 as \xHH; a backslash stays as it is.
std::string EscapeHiddenText(std::string_view text);

} // namespace zerath
