// CBC throughput of TDCP_rijndael (both implementations) beside Crypto++ and
// OpenSSL, over 8192-byte pieces as files are enciphered.
#include <benchmark/benchmark.h>

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "symcrypto/Rijndael.h"

namespace {

constexpr std::size_t kPiece = 8192;
const std::uint8_t kKey[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                               17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
const std::uint8_t kIv[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

void Zerath(benchmark::State& state, zerath::TDCP_rijndael::Implementation impl, bool encrypt)
{
    zerath::TDCP_rijndael c(impl);
    if (c.ActiveImplementation() != impl) {
        state.SkipWithError("implementation not available");
        return;
    }
    c.SetKey(kKey, 256, kIv);
    std::vector<std::uint8_t> buf(kPiece, 0x5A);
    for (auto _ : state) {
        if (encrypt)
            c.EncryptCbc(buf.data(), buf.data(), kPiece);
        else
            c.DecryptCbc(buf.data(), buf.data(), kPiece);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPiece);
}

void Cryptopp(benchmark::State& state, bool encrypt)
{
    CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption enc(kKey, 32, kIv);
    CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption dec(kKey, 32, kIv);
    std::vector<std::uint8_t> buf(kPiece, 0x5A);
    for (auto _ : state) {
        if (encrypt)
            enc.ProcessData(buf.data(), buf.data(), kPiece);
        else
            dec.ProcessData(buf.data(), buf.data(), kPiece);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPiece);
}

void OpenSsl(benchmark::State& state, bool encrypt)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, kKey, kIv, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    std::vector<std::uint8_t> buf(kPiece, 0x5A), out(kPiece + 32);
    for (auto _ : state) {
        int len = 0;
        EVP_CipherUpdate(ctx, out.data(), &len, buf.data(), static_cast<int>(kPiece));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPiece);
}

using Impl = zerath::TDCP_rijndael::Implementation;

BENCHMARK_CAPTURE(Zerath, Rijndael_AesNi_CbcEncrypt, Impl::AesNi, true);
BENCHMARK_CAPTURE(Zerath, Rijndael_AesNi_CbcDecrypt, Impl::AesNi, false);
BENCHMARK_CAPTURE(Zerath, Rijndael_Portable_CbcEncrypt, Impl::Portable, true);
BENCHMARK_CAPTURE(Zerath, Rijndael_Portable_CbcDecrypt, Impl::Portable, false);
BENCHMARK_CAPTURE(Cryptopp, Cryptopp_Aes256_CbcEncrypt, true);
BENCHMARK_CAPTURE(Cryptopp, Cryptopp_Aes256_CbcDecrypt, false);
BENCHMARK_CAPTURE(OpenSsl, OpenSSL_EVP_aes_256_cbc_Encrypt, true);
BENCHMARK_CAPTURE(OpenSsl, OpenSSL_EVP_aes_256_cbc_Decrypt, false);

} // namespace

BENCHMARK_MAIN();
