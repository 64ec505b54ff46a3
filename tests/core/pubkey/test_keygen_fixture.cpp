#include "test_keygen_fixture.h"

#include <chrono>

#include "common/Error.h"

namespace zerath::test {

namespace {
struct CountingPump : MessagePump {
    int calls = 0;
    void processEvents() override { ++calls; }
};
} // namespace

const SharedKeyPair& SharedPair()
{
    static const SharedKeyPair pair = [] {
        SharedKeyPair p;
        CountingPump pump;
        const auto t0 = std::chrono::steady_clock::now();
        p.Key.GenerateKeys(2048, pump, [&](int n) { p.Candidates = n; }, &p.Primes);
        p.Ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        p.Pumps = pump.calls;
        return p;
    }();
    return pair;
}

} // namespace zerath::test
