// RSA key generation and the private operation, next to OpenSSL in the same run.
//   GenerateKeys(2048)  vs  `openssl genrsa 2048` (a subprocess, wall time)
//   TPrivateKey::Decrypt (blinded; with the primes recovered, CRT) and the plain
//   m^d mod n  vs  BN_mod_exp with d (no CRT); `openssl speed rsa2048` gives
//   OpenSSL's full private operation with CRT for reference.
// Key generation times vary a lot from run to run (the number of candidates is
// random), so both sides run 7 times and the median is the figure to compare.
#include <benchmark/benchmark.h>
#include <openssl/bn.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "pubkey/PrivateKey.h"

using namespace zerath;

namespace {

const TPrivateKey& BenchKey()
{
    static const TPrivateKey key = [] {
        TPrivateKey k;
        k.GenerateKeys(2048);
        return k;
    }();
    return key;
}

std::string RandomHexBelowModulus()
{
    const std::string n = BenchKey().Modulus->ToString(16);
    std::mt19937_64 rng(42);
    std::string m(n.size() - 1, '0');
    for (auto& c : m) c = "0123456789abcdef"[rng() % 16];
    m[0] = '7';
    return m;
}

void BM_GenerateKeys2048(benchmark::State& state)
{
    for (auto _ : state) {
        TPrivateKey k;
        k.GenerateKeys(2048);
        benchmark::DoNotOptimize(k.KeyID);
    }
}

void BM_OpenSSL_genrsa2048(benchmark::State& state)
{
    for (auto _ : state) {
        FILE* p = popen("openssl genrsa 2048 2>/dev/null", "r");
        if (!p) {
            state.SkipWithError("openssl not runnable");
            return;
        }
        char buf[4096];
        while (fread(buf, 1, sizeof buf, p) > 0) {
        }
        if (pclose(p) != 0) {
            state.SkipWithError("openssl genrsa failed");
            return;
        }
    }
}

void BM_PrivateDecrypt2048_Blinded(benchmark::State& state)
{
    const TPrivateKey& k = BenchKey();
    const std::string c = RandomHexBelowModulus();
    for (auto _ : state) benchmark::DoNotOptimize(k.Decrypt(c));
}

// The same key with its primes recovered once, as a batch of files uses it.
void BM_PrivateDecrypt2048_Crt(benchmark::State& state)
{
    TPrivateKey k(BenchKey().ExponentE, BenchKey().Modulus, BenchKey().ExponentD);
    if (!k.PrepareCrt()) {
        state.SkipWithError("prime recovery failed");
        return;
    }
    const std::string c = RandomHexBelowModulus();
    for (auto _ : state) benchmark::DoNotOptimize(k.Decrypt(c));
}

// Recovering the primes from n, e and d (once per key pair per batch).
void BM_RecoverPrimes2048(benchmark::State& state)
{
    const TPrivateKey& k = BenchKey();
    for (auto _ : state) benchmark::DoNotOptimize(RsaCrtKey::Recover(*k.Modulus, *k.ExponentE, *k.ExponentD));
}

void BM_PrivateDecrypt2048_Plain(benchmark::State& state)
{
    const TPrivateKey& k = BenchKey();
    const std::string c = RandomHexBelowModulus();
    for (auto _ : state) benchmark::DoNotOptimize(k.DecryptUnblinded(c));
}

void BM_PublicEncrypt2048(benchmark::State& state)
{
    const auto pub = BenchKey().GetPublicKey();
    const std::string m = RandomHexBelowModulus();
    for (auto _ : state) benchmark::DoNotOptimize(pub->Encrypt(m));
}

// OpenSSL's raw private operation without the Chinese remainder shortcut.
void BM_OpenSSL_BN_mod_exp_d(benchmark::State& state)
{
    const TPrivateKey& k = BenchKey();
    BIGNUM *n = nullptr, *d = nullptr, *c = nullptr;
    BN_hex2bn(&n, k.Modulus->ToString(16).c_str());
    BN_hex2bn(&d, k.ExponentD->ToString(16).c_str());
    BN_hex2bn(&c, RandomHexBelowModulus().c_str());
    BIGNUM* r = BN_new();
    BN_CTX* ctx = BN_CTX_new();
    for (auto _ : state) {
        BN_mod_exp(r, c, d, n, ctx);
        benchmark::DoNotOptimize(r);
    }
    BN_CTX_free(ctx);
    BN_free(r);
    BN_free(c);
    BN_free(d);
    BN_free(n);
}

} // namespace

BENCHMARK(BM_GenerateKeys2048)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_OpenSSL_genrsa2048)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_PrivateDecrypt2048_Blinded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrivateDecrypt2048_Crt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecoverPrimes2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrivateDecrypt2048_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSSL_BN_mod_exp_d)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PublicEncrypt2048)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
