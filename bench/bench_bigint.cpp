// Modular exponentiation and prime search speed, next to GMP and OpenSSL.
// GMP is not linked into the benchmarks, so its functions are looked up at run time.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gmp.h>
#include <openssl/bn.h>

#include <string>

#include "pubkey/BigInt.h"

using namespace zerath;

namespace {

// Operands of private-key shape: a random odd modulus of the full size, a
// random base below it and an exponent of the modulus' size.
struct Operands {
    TBigint base, exp, mod;
    explicit Operands(int bits)
    {
        mod = TBigint::CreateRandomBits(bits);
        TBigint top = TBigint::CreateFromInt64(1);
        top.ShiftLeft(bits - 1);
        if (mod.BitLength() < bits) mod.Add(top);
        if (mod.IsEven()) mod.AddSmall(1);
        base = TBigint::CreateRandomBelow(mod);
        exp = TBigint::CreateRandomBits(bits);
        if (exp.BitLength() < bits) exp.Add(top);
    }
};

void BM_PowMod(benchmark::State& state)
{
    const Operands op(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TBigint r = op.base;
        r.PowMod(op.exp, op.mod);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PowMod)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_PowMod_OpenSSL(benchmark::State& state)
{
    const Operands op(static_cast<int>(state.range(0)));
    BIGNUM *b = nullptr, *e = nullptr, *m = nullptr;
    BN_hex2bn(&b, op.base.ToString(16).c_str());
    BN_hex2bn(&e, op.exp.ToString(16).c_str());
    BN_hex2bn(&m, op.mod.ToString(16).c_str());
    BIGNUM* r = BN_new();
    BN_CTX* ctx = BN_CTX_new();
    for (auto _ : state) {
        BN_mod_exp(r, b, e, m, ctx);
        benchmark::DoNotOptimize(r);
    }
    BN_CTX_free(ctx);
    BN_free(r);
    BN_free(b);
    BN_free(e);
    BN_free(m);
}
BENCHMARK(BM_PowMod_OpenSSL)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

struct Gmp {
    using InitSetStr = int (*)(mpz_ptr, const char*, int);
    using Init = void (*)(mpz_ptr);
    using Clear = void (*)(mpz_ptr);
    using Powm = void (*)(mpz_ptr, mpz_srcptr, mpz_srcptr, mpz_srcptr);
    void* lib = dlopen("libgmp.so.10", RTLD_NOW);
    InitSetStr initSetStr = lib ? reinterpret_cast<InitSetStr>(dlsym(lib, "__gmpz_init_set_str")) : nullptr;
    Init init = lib ? reinterpret_cast<Init>(dlsym(lib, "__gmpz_init")) : nullptr;
    Clear clear = lib ? reinterpret_cast<Clear>(dlsym(lib, "__gmpz_clear")) : nullptr;
    Powm powm = lib ? reinterpret_cast<Powm>(dlsym(lib, "__gmpz_powm")) : nullptr;
    bool ok() const { return initSetStr && init && clear && powm; }
};

void BM_PowMod_GMP(benchmark::State& state)
{
    static Gmp gmp;
    if (!gmp.ok()) {
        state.SkipWithError("libgmp.so.10 not found");
        return;
    }
    const Operands op(static_cast<int>(state.range(0)));
    mpz_t b, e, m, r;
    gmp.initSetStr(b, op.base.ToString(16).c_str(), 16);
    gmp.initSetStr(e, op.exp.ToString(16).c_str(), 16);
    gmp.initSetStr(m, op.mod.ToString(16).c_str(), 16);
    gmp.init(r);
    for (auto _ : state) {
        gmp.powm(r, b, e, m);
        benchmark::DoNotOptimize(r);
    }
    gmp.clear(b);
    gmp.clear(e);
    gmp.clear(m);
    gmp.clear(r);
}
BENCHMARK(BM_PowMod_GMP)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_CreateRandomPrime1024(benchmark::State& state)
{
    for (auto _ : state) {
        TBigint p = TBigint::CreateRandomPrime(1024);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_CreateRandomPrime1024)->Unit(benchmark::kMillisecond)->Iterations(40);

void BM_IsProbablePrimeComposite1024(benchmark::State& state)
{
    // Random odd 1024-bit candidates, most rejected by trial division.
    for (auto _ : state) {
        TBigint c = TBigint::CreateRandomBits(1024);
        if (c.IsEven()) c.AddSmall(1);
        benchmark::DoNotOptimize(c.IsProbablePrime(40));
    }
}
BENCHMARK(BM_IsProbablePrimeComposite1024)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
