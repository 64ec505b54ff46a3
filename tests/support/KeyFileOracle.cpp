#include "KeyFileOracle.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

#include "CipherOracle.h"
#include "FileOracle.h"

#if __has_include(<cryptopp/base64.h>)
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/sha.h>

namespace zerath::test {

std::string OracleCfb8(const std::string& in, const std::string& passphrase, bool encrypt)
{
    Bytes key(32);
    CryptoPP::SHA256().CalculateDigest(key.data(), reinterpret_cast<const CryptoPP::byte*>(passphrase.data()),
                                       passphrase.size());
    const Bytes iv = referenceBlock(kAes, true, key, Bytes(16, 0));
    const Bytes out = referenceMode(kAes, OracleMode::Cfb8, encrypt, key, iv, Bytes(in.begin(), in.end()));
    return std::string(out.begin(), out.end());
}

std::string OracleBase64Encode(const std::string& bytes)
{
    std::string out;
    CryptoPP::StringSource(bytes, true, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(out), false));
    return out;
}

std::string OracleOpenFile(const std::string& file, const std::string& passphrase)
{
    std::string joined, plain;
    for (std::size_t start = 0, end; start < file.size(); start = end + 1) {
        end = std::min(file.find_first_of("\r\n", start), file.size());
        if (end > start && file[start] != '#') joined += file.substr(start, end - start);
    }
    CryptoPP::StringSource(joined, true, new CryptoPP::Base64Decoder(new CryptoPP::StringSink(plain)));
    return inflateWithCryptopp(OracleCfb8(plain, passphrase, false));
}

} // namespace zerath::test
#endif

namespace zerath::test {

std::string OracleCompress9(const std::string& data)
{
    uLongf n = compressBound(data.size());
    std::string out(n, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()), data.size(), 9) != Z_OK)
        throw std::runtime_error("compress2");
    out.resize(n);
    return out;
}

std::string OracleCrc(const std::string& text)
{
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08lX", crc32(0L, reinterpret_cast<const Bytef*>(text.data()), uInt(text.size())));
    return buf;
}

std::string OracleSeal(const std::string& body, const std::string& passphrase)
{
    return OracleBase64Encode(OracleCfb8(OracleCompress9(body), passphrase, true));
}

std::string OracleFile(const std::string& begin, const std::string& end, const std::string& base64)
{
    const std::string a = base64 + "\r\n";
    std::string out = begin + "\r\n";
    for (std::size_t i = 0; i < a.size(); i += 50) out += a.substr(i, 50) + "\r\n";
    return out + end + "\r\n";
}

} // namespace zerath::test
