// Adler-32 throughput: the portable loop, the AVX2 path and zlib's, over the
// 1 MiB pieces a decryption checks as it inflates.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "symcrypto/Adler32.h"

namespace {

constexpr std::size_t kPiece = 1 << 20;

template <typename Check>
void Run(benchmark::State& state, Check check)
{
    std::vector<std::uint8_t> buf(kPiece);
    for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    std::uint32_t adler = zerath::kAdler32Start;
    for (auto _ : state) {
        adler = check(adler, buf.data(), buf.size());
        benchmark::DoNotOptimize(adler);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPiece);
}

void Portable(benchmark::State& state) { Run(state, zerath::adler32_detail::Portable); }

void Wide(benchmark::State& state)
{
    if (!zerath::adler32_detail::WideAvailable()) {
        state.SkipWithError("no AVX2");
        return;
    }
    Run(state, zerath::adler32_detail::Wide);
}

void Zlib(benchmark::State& state)
{
    Run(state, [](std::uint32_t a, const std::uint8_t* p, std::size_t n) {
        return static_cast<std::uint32_t>(::adler32(a, p, static_cast<uInt>(n)));
    });
}

} // namespace

BENCHMARK(Portable);
BENCHMARK(Wide);
BENCHMARK(Zlib);
BENCHMARK_MAIN();
