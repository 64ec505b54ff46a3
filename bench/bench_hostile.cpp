// Hostile inputs that once cost quadratic time:
//   a 1.5 KB public key file whose modulus text has 900,000 hex digits, imported;
//   a key ring of 10,000 records plus one 3 MB line, listed.
// Each runs once; the figure is the wall time of that one run.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/FileIO.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFile.h"

using namespace zerath;

namespace {

std::string scratchFolder()
{
    static const std::string folder = [] {
        char name[] = "/tmp/zerath-bench-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        return std::string(name) + "/";
    }();
    return folder;
}

// A public key file written the way the program writes one, around a modulus
// text no real key has.
std::string hugeModulusKeyFile()
{
    const std::string path = scratchFolder() + "huge.akf";
    std::string body = "[PublicKey]\r\nKeyOwner=Mallory Example\r\nModulus=";
    body.append(900000, 'f');
    body += "\r\nExponent=10001\r\nCDate=1.1.2001\r\nCTime=\r\n";
    body.append(KeyCRCText(body)).append("\r\n");
    WriteKeyFile(path, kPublicKeyBeginMarker, kPublicKeyEndMarker, SealKeyBody(body, FixedProtectionPassphrase()),
                 kDefaultMode);
    return path;
}

void BM_ImportHugeModulusKeyFile(benchmark::State& state)
{
    const std::string file = hugeModulusKeyFile();
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(ImportPubKey(file, FixedProtectionPassphrase()));
        } catch (const std::exception&) {
        }
    }
}

void BM_ListRingWithOneLongLine(benchmark::State& state)
{
    const std::string home = scratchFolder() + "ring/";
    ::mkdir(home.c_str(), 0700);
    std::string ring;
    for (int i = 0; i < 10000; ++i)
        ring += "Pub|Owner " + std::to_string(i) + "|" + std::to_string(10000000 + i) +
                "|2048|1.1.2001|e|" + "|" + std::string(684, 'n') + "|" + std::string(40, 'F') + "|crc\r\n";
    ring += "Pub|" + std::string(3u << 20, 'x') + "\r\n";
    writeFileAtomically(home + "ZerathKeys.db", ring, kOwnerOnly);
    for (auto _ : state) {
        KeyManager manager(home);
        manager.Open();
        benchmark::DoNotOptimize(manager.ListKeys());
        manager.Close();
    }
}

} // namespace

BENCHMARK(BM_ImportHugeModulusKeyFile)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ListRingWithOneLongLine)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

BENCHMARK_MAIN();
