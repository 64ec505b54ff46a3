#pragma once
// The steps shared by public and private key files.
//
// A key file is, byte for byte (every line ends in CR LF):
//   begin marker line
//   armour: base64 of the enciphered zlib stream of the body, followed by CR LF,
//           the whole cut into 50-character lines
//   end marker line
// The body is an INI-style text (CR LF lines) ending in a CRC-32 line. Because the
// CR LF after the base64 text belongs to the armour, the file shows one empty line
// before the end marker (two when the base64 length is a multiple of 50, three
// when it leaves 49: the CR and the LF then land on different lines).
//
// Reading accepts lines ended by CR LF, CR or LF, drops every line that starts
// with "#" (markers included, so they are not checked), joins the rest and trims it.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/Secure.h"

namespace zerath {

inline constexpr std::string_view kPublicKeyBeginMarker = "#---Begin VOXE ZERATH El Pelorin 1.0 Public Key 2048 bit---";
inline constexpr std::string_view kPublicKeyEndMarker = "#---End VOXE ZERATH El Pelorin 1.0 Public Key 2048 bit---";
inline constexpr std::string_view kPrivateKeyBeginMarker = "#---Begin VOXE ZERATH El Pelorin 1.0 Private Key 2048 bit---";
inline constexpr std::string_view kPrivateKeyEndMarker = "#---End VOXE ZERATH El Pelorin 1.0 Private Key 2048 bit---";

// A genuine key file is a few kilobytes. A larger file is refused before it is
// read, with the file error "File too large" (EFileError).
inline constexpr std::size_t kMaxKeyFileBytes = 1u << 20;
// A deciphered body that inflates beyond this is refused as a corrupted key file,
// so a crafted zlib stream cannot exhaust memory.
inline constexpr std::size_t kMaxKeyBodyBytes = 1u << 20;

inline constexpr std::size_t kKeyLineWidth = 50;

// SHA-1 of the text's bytes as 40 upper-case hexadecimal digits.
// Any failure: "Key Fingerprint Calculation Error".
std::string CalcFingerPrint(std::string_view text);
// The last 8 characters of a fingerprint (the whole text when it is shorter).
std::string CalcKeyID(std::string_view fingerPrint);

// CRC-32 of the text as 8 upper-case hexadecimal digits.
std::string KeyCRCText(std::string_view text);
// The last 8 characters of text are the stored CRC, the rest the body. On a match
// text becomes the body and the answer is true; otherwise
// "Key file Corrupted, operation aborted".
bool CheckKeyCRC(SecureString& text);

// Takes the list's whole text (each line followed by CR LF), clears the list and
// refills it with pieces of 50 characters (the last one may be shorter).
void WrapKeyLines(std::vector<std::string>& lines);

// Lines of a text ended by CR LF, a lone CR or a lone LF. A final line without
// a break counts; a final break adds no empty line.
std::vector<std::string> SplitKeyFileLines(std::string_view content);
// Leading and trailing blanks and control characters (bytes up to 0x20) removed.
std::string_view TrimKeyText(std::string_view text);
// The armoured text of a key file's content: "#" lines dropped, the rest joined
// without separators and trimmed.
std::string ArmouredTextOf(std::string_view content);
// The whole file text: begin marker, armour lines, end marker, each with CR LF.
std::string FormatKeyFile(std::string_view beginMarker, std::string_view endMarker, std::string_view base64);

// zlib stream (RFC 1950) at level 9 with the library's default window, memory
// level and strategy. Throws Error on failure.
SecureBytes CompressBest(std::string_view data);
// Inflates a whole zlib stream (Adler-32 checked, nothing may follow it); more
// than maxOut bytes of output is a failure. Throws Error on failure.
SecureString DecompressCapped(const void* data, std::size_t n, std::size_t maxOut);

// Body -> zlib level 9 -> Rijndael CFB-8 under SHA-256(passphrase) -> base64.
// Any failure: "Encryption Error".
std::string SealKeyBody(std::string_view body, std::string_view passphrase);
// base64 -> Rijndael CFB-8 -> inflate; the plain text trimmed.
// Any failure: "RSA Key decryption Error. Corrupted key file!".
SecureString OpenKeyBody(std::string_view armoured, std::string_view passphrase);

// An INI-style text: "[Section]" lines, then "Key=Value" lines. Lines are trimmed,
// empty lines and lines starting with ";" skipped, names and values trimmed;
// section and key names match without regard to case and the first match wins.
class KeyIniText {
public:
    explicit KeyIniText(std::string_view text);
    ~KeyIniText();
    // A missing section or key reads as empty.
    SecureString Read(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::size_t section; // index into sections_
        SecureString key;
        SecureString value;
    };
    std::vector<std::string> sections_;
    std::vector<Entry> entries_;
};

// Writes the key file through a temporary beside it, renamed over the final name
// only when complete; with replace = false an existing file of that name is
// kept and the answer is false. File system errors pass through unchanged.
bool WriteKeyFile(const std::string& path, std::string_view beginMarker, std::string_view endMarker,
                  std::string_view base64, mode_t mode, bool replace = true);
// Reads a key file (at most kMaxKeyFileBytes, else "File too large") and gives
// its armoured text. File system errors pass through unchanged.
std::string ReadKeyFileArmour(const std::string& path);

} // namespace zerath
