// CBC speed of RC6, MARS, Serpent and Twofish beside Crypto++'s CBC of the
// same cipher, in 8192-byte pieces as files are processed.
#include <benchmark/benchmark.h>

#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc6.h>
#include <cryptopp/serpent.h>
#include <cryptopp/twofish.h>

#include <cstdint>
#include <vector>

#include "symcrypto/Mars.h"
#include "symcrypto/Rc6.h"
#include "symcrypto/Serpent.h"
#include "symcrypto/Twofish.h"

namespace {

constexpr std::size_t kPiece = 8192;

std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(seed + 31 * i + (i >> 8));
    return v;
}

// Times process(buffer, size) over one 8192-byte piece, enciphered in place.
template <class Process>
void timePieces(benchmark::State& state, Process process)
{
    auto buf = pattern(kPiece, 3);
    for (auto _ : state) {
        process(buf.data(), buf.size());
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kPiece));
}

template <class Ours>
void Ours_CbcEncrypt(benchmark::State& state)
{
    const auto key = pattern(32, 1), iv = pattern(16, 2);
    Ours c;
    c.SetKey(key.data(), 256, iv.data());
    timePieces(state, [&c](std::uint8_t* p, std::size_t n) { c.EncryptCbc(p, p, n); });
}

template <class Ours>
void Ours_CbcDecrypt(benchmark::State& state)
{
    const auto key = pattern(32, 1), iv = pattern(16, 2);
    Ours c;
    c.SetKey(key.data(), 256, iv.data());
    timePieces(state, [&c](std::uint8_t* p, std::size_t n) { c.DecryptCbc(p, p, n); });
}

template <class Theirs>
void Cryptopp_CbcEncrypt(benchmark::State& state)
{
    const auto key = pattern(32, 1), iv = pattern(16, 2);
    typename CryptoPP::CBC_Mode<Theirs>::Encryption m(key.data(), key.size(), iv.data());
    timePieces(state, [&m](std::uint8_t* p, std::size_t n) { m.ProcessData(p, p, n); });
}

template <class Theirs>
void Cryptopp_CbcDecrypt(benchmark::State& state)
{
    const auto key = pattern(32, 1), iv = pattern(16, 2);
    typename CryptoPP::CBC_Mode<Theirs>::Decryption m(key.data(), key.size(), iv.data());
    timePieces(state, [&m](std::uint8_t* p, std::size_t n) { m.ProcessData(p, p, n); });
}

// Key set-up (SetKey with 256 bits and a vector), as done once per file.
template <class Ours>
void Ours_SetKey(benchmark::State& state)
{
    const auto key = pattern(32, 1), iv = pattern(16, 2);
    Ours c;
    for (auto _ : state) c.SetKey(key.data(), 256, iv.data());
}

} // namespace

BENCHMARK_TEMPLATE(Ours_CbcEncrypt, zerath::TDCP_rc6);
BENCHMARK_TEMPLATE(Cryptopp_CbcEncrypt, CryptoPP::RC6);
BENCHMARK_TEMPLATE(Ours_CbcDecrypt, zerath::TDCP_rc6);
BENCHMARK_TEMPLATE(Cryptopp_CbcDecrypt, CryptoPP::RC6);
BENCHMARK_TEMPLATE(Ours_CbcEncrypt, zerath::TDCP_mars);
BENCHMARK_TEMPLATE(Cryptopp_CbcEncrypt, CryptoPP::MARS);
BENCHMARK_TEMPLATE(Ours_CbcDecrypt, zerath::TDCP_mars);
BENCHMARK_TEMPLATE(Cryptopp_CbcDecrypt, CryptoPP::MARS);
BENCHMARK_TEMPLATE(Ours_CbcEncrypt, zerath::TDCP_serpent);
BENCHMARK_TEMPLATE(Cryptopp_CbcEncrypt, CryptoPP::Serpent);
BENCHMARK_TEMPLATE(Ours_CbcDecrypt, zerath::TDCP_serpent);
BENCHMARK_TEMPLATE(Cryptopp_CbcDecrypt, CryptoPP::Serpent);
BENCHMARK_TEMPLATE(Ours_CbcEncrypt, zerath::TDCP_twofish);
BENCHMARK_TEMPLATE(Cryptopp_CbcEncrypt, CryptoPP::Twofish);
BENCHMARK_TEMPLATE(Ours_CbcDecrypt, zerath::TDCP_twofish);
BENCHMARK_TEMPLATE(Cryptopp_CbcDecrypt, CryptoPP::Twofish);
BENCHMARK_TEMPLATE(Ours_SetKey, zerath::TDCP_rc6);
BENCHMARK_TEMPLATE(Ours_SetKey, zerath::TDCP_mars);
BENCHMARK_TEMPLATE(Ours_SetKey, zerath::TDCP_serpent);
BENCHMARK_TEMPLATE(Ours_SetKey, zerath::TDCP_twofish);

BENCHMARK_MAIN();
