#include "pubkey/Isaac.h"

#include <algorithm>
#include <memory>

#include "common/Secure.h"
#include "pubkey/SystemRandom.h"

namespace zerath {

namespace {

inline void mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                std::uint32_t& e, std::uint32_t& f, std::uint32_t& g, std::uint32_t& h)
{
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
}

} // namespace

TIsaac::TIsaac()
{
    std::fill(std::begin(randrsl), std::end(randrsl), 0u);
    std::fill(std::begin(mm), std::end(mm), 0u);
}

TIsaac::~TIsaac()
{
    Wipe();
}

void TIsaac::Wipe()
{
    secureZero(randrsl, sizeof randrsl);
    secureZero(mm, sizeof mm);
    secureZero(&aa, sizeof aa);
    secureZero(&bb, sizeof bb);
    secureZero(&cc, sizeof cc);
    ResultCount = 0;
}

void TIsaac::SetSeedWords(std::span<const std::uint32_t> seed, int lastIndex)
{
    const int last = ((lastIndex % 256) + 256) % 256;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(last) + 1, seed.size());
    std::fill(std::begin(randrsl), std::end(randrsl), 0u);
    std::copy_n(seed.begin(), count, randrsl);
}

void TIsaac::Seed(std::span<const std::uint32_t> seed, int lastIndex, bool flag)
{
    SetSeedWords(seed, lastIndex);
    RandInit(flag);
    Generate();
    ResultCount = 0;
}

void TIsaac::SeedFromOs()
{
    std::uint32_t words[256];
    osRandomBytes(words, sizeof words);
    Seed(words, 255, true);
    secureZero(words, sizeof words);
}

void TIsaac::RandInit(bool flag)
{
    aa = bb = cc = 0;
    std::uint32_t a, b, c, d, e, f, g, h;
    a = b = c = d = e = f = g = h = 0x9e3779b9u;
    for (int i = 0; i < 4; ++i) mix(a, b, c, d, e, f, g, h);

    auto pass = [&](const std::uint32_t* src) {
        for (int i = 0; i < 256; i += 8) {
            if (src) {
                a += src[i];     b += src[i + 1]; c += src[i + 2]; d += src[i + 3];
                e += src[i + 4]; f += src[i + 5]; g += src[i + 6]; h += src[i + 7];
            }
            mix(a, b, c, d, e, f, g, h);
            mm[i] = a;     mm[i + 1] = b; mm[i + 2] = c; mm[i + 3] = d;
            mm[i + 4] = e; mm[i + 5] = f; mm[i + 6] = g; mm[i + 7] = h;
        }
    };
    pass(flag ? randrsl : nullptr);
    if (flag) pass(mm);
    secureZero(&a, sizeof a); // the last words are copies of state; keep nothing on the stack
}

void TIsaac::Generate()
{
    cc = cc + 1;
    bb = bb + cc;
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t x = mm[i];
        switch (i & 3) {
        case 0: aa ^= aa << 13; break;
        case 1: aa ^= aa >> 6; break;
        case 2: aa ^= aa << 2; break;
        case 3: aa ^= aa >> 16; break;
        }
        aa = aa + mm[(i + 128) & 255];
        const std::uint32_t y = mm[(x >> 2) & 255] + aa + bb;
        mm[i] = y;
        bb = mm[(y >> 10) & 255] + x;
        randrsl[i] = bb;
    }
    ResultCount = 0;
}

std::uint32_t TIsaac::NextWord()
{
    const std::uint32_t w = randrsl[ResultCount];
    ++ResultCount;
    if (ResultCount >= 256) Generate();
    return w;
}

std::int32_t TIsaac::RandomInt(std::int32_t n)
{
    const auto w = static_cast<std::int32_t>(NextWord());
    const std::int64_t r = static_cast<std::int64_t>(w) % n; // sign of w, as truncating division gives
    return static_cast<std::int32_t>(r < 0 ? -r : r);
}

namespace {
struct SharedGenerator {
    std::unique_ptr<TIsaac> gen;
};
SharedGenerator& shared()
{
    static SharedGenerator s;
    return s;
}
} // namespace

std::mutex& BigRandomLock()
{
    static std::mutex lock;
    return lock;
}

TIsaac& BigRandom()
{
    std::lock_guard<std::mutex> guard(BigRandomLock());
    auto& s = shared();
    if (!s.gen) {
        auto g = std::make_unique<TIsaac>();
        g->SeedFromOs();
        s.gen = std::move(g);
    }
    return *s.gen;
}

void ReleaseBigRandom()
{
    std::lock_guard<std::mutex> guard(BigRandomLock());
    shared().gen.reset();
}

} // namespace zerath
