#pragma once
// An independent reading and writing of key files (Crypto++ AES-256 in CFB-8
// mode keyed by the SHA-256 of the passphrase, Crypto++ base64, zlib), to
// check the program's key files against.
#include <string>

namespace zerath::test {

std::string OracleCfb8(const std::string& in, const std::string& passphrase, bool encrypt);
std::string OracleBase64Encode(const std::string& bytes);
std::string OracleCompress9(const std::string& data);
std::string OracleCrc(const std::string& text); // eight upper-case hex digits

// Body text -> base64 armour, as a key file carries it.
std::string OracleSeal(const std::string& body, const std::string& passphrase);
// Whole key file text -> plain body (marker lines and line breaks dropped first).
std::string OracleOpenFile(const std::string& file, const std::string& passphrase);
// Key file text around a base64 armour: markers, 50-character lines, CR LF.
std::string OracleFile(const std::string& begin, const std::string& end, const std::string& base64);

} // namespace zerath::test
