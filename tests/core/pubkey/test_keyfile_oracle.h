#pragma once
// An independent reading and writing of key file armour (OpenSSL AES-256 in
// CFB-8 mode, Crypto++ base64, zlib), to check the core code against.
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <zlib.h>

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace zerath::test {

inline std::string OracleCfb8(const std::string& in, const std::string& passphrase, bool encrypt)
{
    unsigned char key[32];
    SHA256(reinterpret_cast<const unsigned char*>(passphrase.data()), passphrase.size(), key);
    unsigned char zero[16] = {0}, iv[16];
    int len = 0;
    EVP_CIPHER_CTX* ecb = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ecb, EVP_aes_256_ecb(), nullptr, key, nullptr);
    EVP_CIPHER_CTX_set_padding(ecb, 0);
    EVP_EncryptUpdate(ecb, iv, &len, zero, 16);
    EVP_CIPHER_CTX_free(ecb);

    std::string out(in.size(), '\0');
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_256_cfb8(), nullptr, key, iv, encrypt ? 1 : 0);
    EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len,
                     reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

inline std::string OracleBase64Encode(const std::string& bytes)
{
    std::string out;
    CryptoPP::StringSource(bytes, true, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(out), false));
    return out;
}

inline std::string OracleBase64Decode(const std::string& text)
{
    std::string out;
    CryptoPP::StringSource(text, true, new CryptoPP::Base64Decoder(new CryptoPP::StringSink(out)));
    return out;
}

inline std::string OracleCompress9(const std::string& data)
{
    uLongf n = compressBound(data.size());
    std::string out(n, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()), data.size(),
                  9) != Z_OK)
        throw std::runtime_error("compress2");
    out.resize(n);
    return out;
}

inline std::string OracleInflate(const std::string& data)
{
    uLongf n = 1 << 20;
    std::string out(n, '\0');
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
                   data.size()) != Z_OK)
        throw std::runtime_error("uncompress");
    out.resize(n);
    return out;
}

// Body text -> base64 armour, as a key file carries it.
inline std::string OracleSeal(const std::string& body, const std::string& passphrase)
{
    return OracleBase64Encode(OracleCfb8(OracleCompress9(body), passphrase, true));
}

// Whole key file text -> plain body (markers and line breaks dropped first).
inline std::string OracleOpenFile(const std::string& file, const std::string& passphrase)
{
    std::string joined;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find_first_of("\r\n", start);
        if (end == std::string::npos) end = file.size();
        std::string line = file.substr(start, end - start);
        if (!line.empty() && line[0] != '#') joined += line;
        start = end + 1;
    }
    return OracleInflate(OracleCfb8(OracleBase64Decode(joined), passphrase, false));
}

inline std::string OracleCrc(const std::string& text)
{
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08lX",
                  crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    return buf;
}

// Key file text around a base64 armour: markers, 50-character lines, CR LF.
inline std::string OracleFile(const std::string& begin, const std::string& end, const std::string& base64)
{
    std::string a = base64 + "\r\n";
    std::string out = begin + "\r\n";
    for (std::size_t i = 0; i < a.size(); i += 50) out += a.substr(i, 50) + "\r\n";
    return out + end + "\r\n";
}

} // namespace zerath::test
