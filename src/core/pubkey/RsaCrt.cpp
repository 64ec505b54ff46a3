#include "pubkey/RsaCrt.h"

#include <algorithm>

#include "pubkey/SystemRandom.h"

namespace zerath {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr int kSplitAttempts = 64;     // each finds a split with probability at least 1/2
constexpr unsigned kBlindingUses = 32; // uses of one blinding pair, squared in between

u64 maskOf(u64 bit) { return 0 - bit; }

// The one way a value leaves the constant-time code: for answers that may be
// known to all (a malformed key, the number of random values tried, the
// primes' limb count). The store under a branch keeps the compiler from
// passing the secret on as data; tools/ctcheck/result.supp allows this branch
// and no other.
[[gnu::noinline]] bool revealed(u64 bit)
{
    volatile bool out = false;
    if (bit & 1) out = true;
    return out;
}

// All ones when the k limbs are equal.
u64 equalMask(const u64* a, const u64* b, std::size_t k)
{
    u64 acc = 0;
    for (std::size_t i = 0; i < k; ++i) acc |= a[i] ^ b[i];
    return ((acc | (0 - acc)) >> 63) - 1;
}

// out := a - b over k limbs; answers the borrow (0 or 1). out may alias a or b.
u64 subLimbs(u64* out, const u64* a, const u64* b, std::size_t k)
{
    u64 borrow = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const u128 d = static_cast<u128>(a[i]) - b[i] - borrow;
        out[i] = static_cast<u64>(d);
        borrow = static_cast<u64>(d >> 64) & 1;
    }
    return borrow;
}

u64 addLimbs(u64* out, const u64* a, const u64* b, std::size_t k)
{
    u64 carry = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const u128 s = static_cast<u128>(a[i]) + b[i] + carry;
        out[i] = static_cast<u64>(s);
        carry = static_cast<u64>(s >> 64);
    }
    return carry;
}

// out := mask ? a : b, limb by limb.
void selectLimbs(u64 mask, u64* out, const u64* a, const u64* b, std::size_t k)
{
    for (std::size_t i = 0; i < k; ++i) out[i] = (a[i] & mask) | (b[i] & ~mask);
}

void swapLimbs(u64 mask, u64* a, u64* b, std::size_t k)
{
    for (std::size_t i = 0; i < k; ++i) {
        const u64 t = (a[i] ^ b[i]) & mask;
        a[i] ^= t;
        b[i] ^= t;
    }
}

// a := a >> s for a shift s known to all.
void shiftRight(u64* out, const u64* a, std::size_t k, std::size_t s)
{
    const std::size_t limbs = s / 64, bits = s % 64;
    for (std::size_t i = 0; i < k; ++i) {
        const u64 lo = i + limbs < k ? a[i + limbs] : 0;
        const u64 hi = i + limbs + 1 < k ? a[i + limbs + 1] : 0;
        out[i] = bits == 0 ? lo : (lo >> bits) | (hi << (64 - bits));
    }
}

// The a.size() + b.size() limbs of a * b.
Limbs mulLimbs(const Limbs& a, const Limbs& b)
{
    Limbs r(a.size() + b.size(), 0);
    for (std::size_t j = 0; j < b.size(); ++j) {
        u64 c = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const u128 s = static_cast<u128>(a[i]) * b[j] + r[i + j] + c;
            r[i + j] = static_cast<u64>(s);
            c = static_cast<u64>(s >> 64);
        }
        r[j + a.size()] = c;
    }
    return r;
}

Limbs resized(Limbs a, std::size_t k)
{
    a.resize(k, 0);
    return a;
}

Limbs limbsOf(const TBigint& v, std::size_t k) { return limbsOfDigits(v.Digits(), k); }

TBigint numberOf(const Limbs& l) { return TBigint::FromDigits(digitsOfLimbs(l.data(), l.size()), false); }

// A random number below n (n > 1), from twice n's length of random limbs.
Limbs randomBelow(const Limbs& n)
{
    Limbs raw(2 * n.size(), 0);
    osRandomBytes(raw.data(), raw.size() * sizeof(u64));
    return ctModLimbs(raw, n);
}

// R^2 mod m for R = 2^(64k), k = m.size().
Limbs montgomeryRR(const Limbs& m)
{
    Limbs x(2 * m.size() + 1, 0);
    x.back() = 1;
    return ctModLimbs(x, m);
}

// x mod m for x of at most twice m's k limbs, in three Montgomery products:
// x = hi R + lo, so x mod m = hi R mod m + (lo R) / R mod m.
Limbs reduceWide(MontgomeryContext& ctx, const Limbs& rr, const Limbs& x)
{
    const std::size_t k = ctx.size();
    Limbs lo(x.begin(), x.begin() + std::min(k, x.size())), hi(k, 0), one(k, 0), a(k, 0), b(k, 0), sum(k, 0);
    lo.resize(k, 0);
    if (x.size() > k) std::copy(x.begin() + k, x.end(), hi.begin());
    one[0] = 1;
    ctx.mul(hi.data(), rr.data(), a.data());
    ctx.mul(lo.data(), rr.data(), b.data());
    ctx.mul(b.data(), one.data(), b.data());
    const u64 carry = addLimbs(sum.data(), a.data(), b.data(), k);
    const u64 borrow = subLimbs(a.data(), sum.data(), ctx.modulus().data(), k);
    selectLimbs(maskOf(carry | (borrow ^ 1)), sum.data(), a.data(), sum.data(), k);
    return sum;
}

} // namespace

Limbs ctModLimbs(const Limbs& x, const Limbs& m)
{
    const std::size_t k = m.size();
    Limbs r(k + 1, 0), mm = resized(m, k + 1), d(k + 1, 0);
    for (std::size_t i = 64 * x.size(); i-- > 0;) {
        u64 in = (x[i / 64] >> (i % 64)) & 1;
        for (std::size_t j = 0; j <= k; ++j) {
            const u64 out = r[j] >> 63;
            r[j] = (r[j] << 1) | in;
            in = out;
        }
        const u64 borrow = subLimbs(d.data(), r.data(), mm.data(), k + 1);
        selectLimbs(maskOf(borrow ^ 1), r.data(), d.data(), r.data(), k + 1);
    }
    r.resize(k);
    return r;
}

Limbs ctGcdLimbs(Limbs a, Limbs b)
{
    // Binary method with b kept odd: an odd a smaller than b swaps with it, an
    // odd a loses b, then a is halved. Each round takes a bit off a or b, so
    // twice their width in rounds always suffices.
    const std::size_t k = b.size();
    a.resize(k, 0);
    Limbs d(k, 0);
    for (std::size_t round = 0; round < 2 * 64 * k; ++round) {
        const u64 odd = maskOf(a[0] & 1);
        const u64 below = maskOf(subLimbs(d.data(), a.data(), b.data(), k));
        swapLimbs(odd & below, a.data(), b.data(), k);
        subLimbs(d.data(), a.data(), b.data(), k);
        selectLimbs(odd, a.data(), d.data(), a.data(), k);
        shiftRight(a.data(), a.data(), k, 1);
    }
    return b;
}

std::unique_ptr<RsaCrtKey> RsaCrtKey::Recover(const TBigint& n, const TBigint& e, const TBigint& d)
{
    if (n.IsNegative() || e.IsNegative() || d.IsNegative() || !n.IsOdd() || n.BitLength() < 16 || e.IsZero() ||
        d.Digits().size() > n.Digits().size())
        return nullptr;
    const std::size_t nk = (n.Digits().size() + 3) / 4;
    const Limbs nl = limbsOf(n, nk);
    const Limbs dl = limbsOf(d, nk);
    {
        // 0 < d < n, compared without a branch on d's digits.
        Limbs zero(nk, 0), diff(nk, 0);
        const u64 below = subLimbs(diff.data(), dl.data(), nl.data(), nk);
        if (!revealed(below & ~equalMask(dl.data(), zero.data(), nk))) return nullptr;
    }

    // kk := de - 1 = 2^t r. de - 1 is even for any real pair (d and e are odd).
    Limbs kk = mulLimbs(dl, limbsOf(e, (e.Digits().size() + 3) / 4));
    const std::size_t kl = kk.size();
    {
        Limbs one(kl, 0);
        one[0] = 1;
        subLimbs(kk.data(), kk.data(), one.data(), kl);
    }
    if (revealed(kk[0])) return nullptr;
    u64 t = 0, seen = 0;
    for (std::size_t i = 0; i < 64 * kl; ++i) {
        seen |= (kk[i / 64] >> (i % 64)) & 1;
        t += seen ^ 1;
    }
    Limbs shifted(kl, 0);
    for (std::size_t s = 1, bit = 0; s < 64 * kl; s <<= 1, ++bit) {
        shiftRight(shifted.data(), kk.data(), kl, s);
        selectLimbs(maskOf((t >> bit) & 1), kk.data(), shifted.data(), kk.data(), kl);
    }
    const Limbs& r = kk;

    MontgomeryContext ctxN(nl);
    const Limbs rrN = montgomeryRR(nl);
    Limbs oneM(nk, 0), one(nk, 0), minusOneM(nk, 0);
    one[0] = 1;
    ctxN.mul(one.data(), rrN.data(), oneM.data());
    subLimbs(minusOneM.data(), nl.data(), oneM.data(), nk);

    // Squares of g^r until past any possible t, keeping the last root of 1
    // that is neither 1 nor -1.
    Limbs rootM(nk, 0), yM(nk, 0), xM(nk, 0);
    u64 found = 0;
    for (int attempt = 0; attempt < kSplitAttempts && !revealed(found); ++attempt) {
        const Limbs g = randomBelow(nl);
        const Limbs y = montgomeryPowFixed(ctxN, rrN, g.data(), r);
        ctxN.mul(y.data(), rrN.data(), yM.data());
        for (std::size_t j = 0; j < 64 * kl; ++j) {
            ctxN.sqr(yM.data(), xM.data());
            const u64 hit = ~equalMask(yM.data(), oneM.data(), nk) & ~equalMask(yM.data(), minusOneM.data(), nk) &
                            equalMask(xM.data(), oneM.data(), nk) & ~maskOf(found);
            selectLimbs(hit, rootM.data(), yM.data(), rootM.data(), nk);
            found |= hit & 1;
            std::swap(yM, xM);
        }
    }
    if (!revealed(found)) return nullptr;

    Limbs root(nk, 0), below(nk, 0), above(nk, 0);
    ctxN.mul(rootM.data(), one.data(), root.data());
    subLimbs(below.data(), root.data(), one.data(), nk);
    addLimbs(above.data(), root.data(), one.data(), nk);
    Limbs p = ctGcdLimbs(below, nl);
    Limbs q = ctGcdLimbs(above, nl);

    // p * q = n with neither of them 1.
    const Limbs pq = mulLimbs(p, q);
    const u64 sound = equalMask(pq.data(), resized(nl, 2 * nk).data(), 2 * nk) & ~equalMask(p.data(), one.data(), nk) &
                      ~equalMask(q.data(), one.data(), nk);
    if (!revealed(sound)) return nullptr;

    // The primes' limb count sets the sizes from here on.
    u64 kSecret = 0;
    for (std::size_t i = 0; i < nk; ++i) {
        const u64 any = p[i] | q[i];
        const u64 nonzero = maskOf((any | (0 - any)) >> 63);
        kSecret = ((i + 1) & nonzero) | (kSecret & ~nonzero);
    }
    std::size_t k = 0;
    for (unsigned bit = 0; bit < 64; ++bit) k |= static_cast<std::size_t>(revealed(kSecret >> bit)) << bit;

    std::unique_ptr<RsaCrtKey> key(new RsaCrtKey);
    key->n_ = n;
    key->e_ = e;
    key->nk_ = nk;
    key->k_ = k;
    key->p_ = resized(std::move(p), k);
    key->q_ = resized(std::move(q), k);
    Limbs pm1 = key->p_, qm1 = key->q_, pm2 = key->p_;
    pm1[0] ^= 1; // p and q are odd
    qm1[0] ^= 1;
    Limbs two(k, 0);
    two[0] = 2;
    subLimbs(pm2.data(), pm2.data(), two.data(), k);
    key->dP_ = ctModLimbs(dl, pm1);
    key->dQ_ = ctModLimbs(dl, qm1);
    key->rrP_ = montgomeryRR(key->p_);
    key->rrQ_ = montgomeryRR(key->q_);
    MontgomeryContext ctxP(key->p_);
    const Limbs qModP = ctModLimbs(key->q_, key->p_);
    key->qInv_ = montgomeryPowFixed(ctxP, key->rrP_, qModP.data(), pm2); // p is prime: q^(p-2)

    // A random value must come back through e and the new operation.
    const Limbs probe = randomBelow(nl);
    TBigint c = numberOf(probe);
    c.PowMod(e, n);
    if (c.IsZero() || !revealed(equalMask(key->powerLimbs(c).data(), probe.data(), nk))) return nullptr;
    return key;
}

TBigint RsaCrtKey::Power(const TBigint& c) const { return numberOf(powerLimbs(c)); }

Limbs RsaCrtKey::powerLimbs(const TBigint& c) const
{
    const std::size_t k = k_;
    const Limbs cl = limbsOf(c, nk_);
    MontgomeryContext ctxP(p_), ctxQ(q_);
    const bool wide = nk_ <= 2 * k; // always, unless one prime is far shorter than the other
    const Limbs cp = wide ? reduceWide(ctxP, rrP_, cl) : ctModLimbs(cl, p_);
    const Limbs cq = wide ? reduceWide(ctxQ, rrQ_, cl) : ctModLimbs(cl, q_);
    const Limbs m1 = montgomeryPowFixed(ctxP, rrP_, cp.data(), dP_);
    const Limbs m2 = montgomeryPowFixed(ctxQ, rrQ_, cq.data(), dQ_);

    // h := qInv (m1 - m2) mod p; m := m2 + h q.
    const Limbs m2p = reduceWide(ctxP, rrP_, m2);
    Limbs diff(k, 0), wrapped(k, 0), h(k, 0);
    const u64 borrow = subLimbs(diff.data(), m1.data(), m2p.data(), k);
    addLimbs(wrapped.data(), diff.data(), p_.data(), k);
    selectLimbs(maskOf(borrow), diff.data(), wrapped.data(), diff.data(), k);
    ctxP.mul(qInv_.data(), diff.data(), h.data());
    ctxP.mul(h.data(), rrP_.data(), h.data());
    Limbs m = mulLimbs(h, q_);
    const Limbs m2wide = resized(m2, m.size());
    addLimbs(m.data(), m.data(), m2wide.data(), m.size());
    m.resize(nk_, 0); // h q + m2 < n
    return m;
}

std::optional<TBigint> RsaCrtKey::Decrypt(const TBigint& c) const
{
    TBigint blindE, blindInv;
    {
        std::lock_guard<std::mutex> g(blindingLock_);
        if (uses_ % kBlindingUses == 0) {
            for (;;) {
                TBigint r = numberOf(randomBelow(limbsOf(n_, nk_)));
                if (r.BitLength() < 2) continue;
                TBigint inv = TBigint::ModInverse(r, n_);
                TBigint unit = inv;
                unit.MulMod(r, n_);
                if (!unit.IsOne()) continue; // r shares a prime with n
                blindInv_ = std::move(inv);
                blindE_ = std::move(r);
                blindE_.PowMod(e_, n_);
                break;
            }
        } else {
            const TBigint e = blindE_, inv = blindInv_;
            blindE_.MulMod(e, n_);
            blindInv_.MulMod(inv, n_);
        }
        ++uses_;
        blindE = blindE_;
        blindInv = blindInv_;
    }
    TBigint m = c;
    m.MulMod(blindE, n_);
    m = Power(m);
    m.MulMod(blindInv, n_);
    blindInv.Wipe();
    TBigint back = m;
    back.PowMod(e_, n_);
    if (back != c) {
        m.Wipe();
        return std::nullopt;
    }
    return m;
}

TBigint RsaCrtKey::P() const { return numberOf(p_); }
TBigint RsaCrtKey::Q() const { return numberOf(q_); }

} // namespace zerath
