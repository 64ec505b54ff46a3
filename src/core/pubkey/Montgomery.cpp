#include "pubkey/Montgomery.h"

#include <algorithm>
#include <type_traits>

namespace zerath {

namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;

int windowBits(int expBits)
{
    if (expBits > 671) return 6;
    if (expBits > 239) return 5;
    if (expBits > 79) return 4;
    if (expBits > 23) return 3;
    return 1;
}

// Copies entry `index` of a table of `count` entries of k limbs into out,
// reading every entry the same way whatever the index.
void selectEntry(const Limbs& table, std::size_t count, std::size_t k, u64 index, u64* out)
{
    std::fill(out, out + k, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const u64 hit = 0 - (((static_cast<u64>(i) ^ index) - 1) >> 63); // all ones when i == index
        const u64* entry = table.data() + i * k;
        for (std::size_t j = 0; j < k; ++j) out[j] |= entry[j] & hit;
    }
}

} // namespace

Limbs limbsOfDigits(const TBigint::DigitArray& d, std::size_t k)
{
    Limbs r(k, 0);
    for (std::size_t i = 0; i < d.size() && i / 4 < k; ++i) r[i / 4] |= static_cast<u64>(d[i]) << (16 * (i % 4));
    return r;
}

TBigint::DigitArray digitsOfLimbs(const u64* l, std::size_t k)
{
    TBigint::DigitArray d(4 * k, 0);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint16_t>(l[i / 4] >> (16 * (i % 4)));
    while (d.size() > 1 && d.back() == 0) d.pop_back();
    return d;
}

MontgomeryContext::MontgomeryContext(Limbs mod) : n_(std::move(mod)), k_(n_.size()), t_(k_ + 2, 0), sq_(2 * k_ + 1, 0)
{
    // -n^-1 mod 2^64 by Newton's iteration (each step doubles the correct bits).
    u64 inv = n_[0];
    for (int i = 0; i < 6; ++i) inv *= 2 - n_[0] * inv;
    n0inv_ = 0 - inv;
}

// The key sizes in use get loops of a fixed length, which the compiler unrolls.
template <class F> void withSize(std::size_t k, F f)
{
    switch (k) {
    case 8: f(std::integral_constant<std::size_t, 8>{}); break;
    case 16: f(std::integral_constant<std::size_t, 16>{}); break;
    case 32: f(std::integral_constant<std::size_t, 32>{}); break;
    default: f(std::integral_constant<std::size_t, 0>{}); break;
    }
}

void MontgomeryContext::mul(const u64* a, const u64* b, u64* out)
{
    withSize(k_, [&](auto size) { mulSized<decltype(size)::value>(a, b, out); });
}

void MontgomeryContext::sqr(const u64* a, u64* out)
{
    withSize(k_, [&](auto size) { sqrSized<decltype(size)::value>(a, out); });
}

template <std::size_t K> void MontgomeryContext::mulSized(const u64* a, const u64* b, u64* out)
{
    const std::size_t k = K ? K : k_;
    u64* t = t_.data();
    const u64* n = n_.data();
    std::fill(t, t + k + 2, 0);
    for (std::size_t i = 0; i < k; ++i) {
        const u64 bi = b[i];
        u64 c = 0;
        for (std::size_t j = 0; j < k; ++j) {
            const u128 s = static_cast<u128>(a[j]) * bi + t[j] + c;
            t[j] = static_cast<u64>(s);
            c = static_cast<u64>(s >> 64);
        }
        u128 s = static_cast<u128>(t[k]) + c;
        t[k] = static_cast<u64>(s);
        t[k + 1] = static_cast<u64>(s >> 64);

        const u64 m = t[0] * n0inv_;
        s = static_cast<u128>(m) * n[0] + t[0];
        c = static_cast<u64>(s >> 64);
        for (std::size_t j = 1; j < k; ++j) {
            s = static_cast<u128>(m) * n[j] + t[j] + c;
            t[j - 1] = static_cast<u64>(s);
            c = static_cast<u64>(s >> 64);
        }
        s = static_cast<u128>(t[k]) + c;
        t[k - 1] = static_cast<u64>(s);
        t[k] = t[k + 1] + static_cast<u64>(s >> 64);
    }
    finish(t, out);
}

template <std::size_t K> void MontgomeryContext::sqrSized(const u64* a, u64* out)
{
    const std::size_t k = K ? K : k_;
    // Full square into w (2k limbs): off-diagonal products once, doubled, plus the diagonal.
    u64* w = sq_.data();
    std::fill(w, w + 2 * k + 1, 0);
    for (std::size_t i = 0; i < k; ++i) {
        u64 c = 0;
        const u64 ai = a[i];
        for (std::size_t j = i + 1; j < k; ++j) {
            const u128 s = static_cast<u128>(ai) * a[j] + w[i + j] + c;
            w[i + j] = static_cast<u64>(s);
            c = static_cast<u64>(s >> 64);
        }
        w[i + k] = c;
    }
    u64 top = 0;
    for (std::size_t i = 0; i < 2 * k; ++i) {
        const u64 v = w[i];
        w[i] = (v << 1) | top;
        top = v >> 63;
    }
    u64 c = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const u128 p = static_cast<u128>(a[i]) * a[i];
        u128 s = static_cast<u128>(w[2 * i]) + static_cast<u64>(p) + c;
        w[2 * i] = static_cast<u64>(s);
        s = static_cast<u128>(w[2 * i + 1]) + static_cast<u64>(p >> 64) + static_cast<u64>(s >> 64);
        w[2 * i + 1] = static_cast<u64>(s);
        c = static_cast<u64>(s >> 64);
    }
    w[2 * k] = c; // always 0: a < n < R, so a^2 < R^2
    reduce<K>(w, out);
}

// Montgomery reduction of the 2k-limb w (< n*R): out := w / R mod n.
template <std::size_t K> void MontgomeryContext::reduce(u64* w, u64* out)
{
    const std::size_t k = K ? K : k_;
    const u64* n = n_.data();
    u64 extra = 0; // carries out of the top limb
    for (std::size_t i = 0; i < k; ++i) {
        const u64 m = w[i] * n0inv_;
        u64 c = 0;
        for (std::size_t j = 0; j < k; ++j) {
            const u128 s = static_cast<u128>(m) * n[j] + w[i + j] + c;
            w[i + j] = static_cast<u64>(s);
            c = static_cast<u64>(s >> 64);
        }
        // Propagate the carry into w[i+k], with the carry of earlier rows.
        const u128 s = static_cast<u128>(w[i + k]) + c + extra;
        w[i + k] = static_cast<u64>(s);
        extra = static_cast<u64>(s >> 64);
    }
    u64* t = t_.data();
    std::copy(w + k, w + 2 * k, t);
    t[k] = extra;
    finish(t, out);
}

// t has k+1 limbs and is below 2n: out := t mod n. The subtraction is
// always made and the result chosen by a mask, without a branch; t equal to
// n gives 0.
void MontgomeryContext::finish(const u64* t, u64* out)
{
    const std::size_t k = k_;
    const u64* n = n_.data();
    u64 borrow = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const u128 d = static_cast<u128>(t[i]) - n[i] - borrow;
        out[i] = static_cast<u64>(d);
        borrow = static_cast<u64>(d >> 64) & 1;
    }
    // t >= n exactly when the top limb is set or the subtraction did not borrow.
    const u64 keepDifference = 0 - (t[k] | (borrow ^ 1));
    for (std::size_t i = 0; i < k; ++i) out[i] = (out[i] & keepDifference) | (t[i] & ~keepDifference);
}

Limbs montgomeryPowFixed(MontgomeryContext& ctx, const Limbs& rr, const u64* base, const Limbs& exp)
{
    // All powers x^0 .. x^(2^w - 1) in Montgomery form; windows of w bits
    // from the top of the exponent's limbs.
    constexpr int w = 5;
    const std::size_t k = ctx.size();
    const std::size_t tableSize = std::size_t{1} << w;
    Limbs table(tableSize * k, 0);
    Limbs one(k, 0);
    one[0] = 1;
    ctx.mul(one.data(), rr.data(), table.data());
    ctx.mul(base, rr.data(), table.data() + k);
    for (std::size_t i = 2; i < tableSize; ++i)
        ctx.mul(table.data() + (i - 1) * k, table.data() + k, table.data() + i * k);

    auto bit = [&](int i) -> unsigned {
        const auto at = static_cast<std::size_t>(i / 64);
        return at < exp.size() ? static_cast<unsigned>(exp[at] >> (i % 64)) & 1u : 0u;
    };
    const int bits = static_cast<int>(64 * exp.size());
    const int windows = (bits + w - 1) / w;
    Limbs acc(k, 0);
    Limbs entry(k, 0);
    for (int win = windows - 1; win >= 0; --win) {
        unsigned val = 0;
        for (int b = w - 1; b >= 0; --b) val = (val << 1) | bit(win * w + b);
        selectEntry(table, tableSize, k, val, entry.data());
        if (win == windows - 1) {
            std::copy(entry.begin(), entry.end(), acc.begin());
            continue;
        }
        for (int s = 0; s < w; ++s) ctx.sqr(acc.data(), acc.data());
        ctx.mul(acc.data(), entry.data(), acc.data());
    }
    // Out of Montgomery form: multiply by 1.
    ctx.mul(acc.data(), one.data(), acc.data());
    return acc;
}

TBigint::DigitArray montgomeryPowMod(const TBigint::DigitArray& base, const TBigint::DigitArray& exp,
                                     const TBigint::DigitArray& mod, bool secretExponent)
{
    const std::size_t k = (mod.size() + 3) / 4;
    MontgomeryContext ctx(limbsOfDigits(mod, k));

    // R^2 mod n, to bring numbers into Montgomery form.
    TBigint modulus = TBigint::FromDigits(mod, false);
    TBigint r2 = TBigint::CreateFromInt64(1);
    r2.ShiftLeft(static_cast<int>(128 * k));
    r2.Modulo(modulus);
    const Limbs rr = limbsOfDigits(r2.Digits(), k);
    const Limbs x = limbsOfDigits(base, k);

    if (secretExponent) {
        const Limbs e = limbsOfDigits(exp, (std::max(mod.size(), exp.size()) + 3) / 4);
        const Limbs r = montgomeryPowFixed(ctx, rr, x.data(), e);
        return digitsOfLimbs(r.data(), k);
    }

    const TBigint e = TBigint::FromDigits(exp, false);
    const int bits = e.BitLength();
    const int w = windowBits(bits);
    auto bit = [&](int i) -> unsigned {
        const auto at = static_cast<std::size_t>(i / 16);
        return at < exp.size() ? (exp[at] >> (i % 16)) & 1u : 0u;
    };

    // Odd powers x^1, x^3, ..., x^(2^w - 1) in Montgomery form.
    const std::size_t tableSize = std::size_t{1} << (w - 1);
    Limbs table(tableSize * k, 0);
    ctx.mul(x.data(), rr.data(), table.data());
    if (tableSize > 1) {
        Limbs x2(k, 0);
        ctx.sqr(table.data(), x2.data());
        for (std::size_t i = 1; i < tableSize; ++i)
            ctx.mul(table.data() + (i - 1) * k, x2.data(), table.data() + i * k);
    }

    Limbs acc(k, 0);
    bool started = false;
    int i = bits - 1;
    while (i >= 0) {
        if (!bit(i)) {
            if (started) ctx.sqr(acc.data(), acc.data());
            --i;
            continue;
        }
        int j = std::max(i - w + 1, 0);
        while (!bit(j)) ++j;
        unsigned val = 0;
        for (int b = i; b >= j; --b) val = (val << 1) | bit(b);
        const u64* entry = table.data() + (val >> 1) * k;
        if (started) {
            for (int s = i; s >= j; --s) ctx.sqr(acc.data(), acc.data());
            ctx.mul(acc.data(), entry, acc.data());
        } else {
            std::copy(entry, entry + k, acc.begin());
            started = true;
        }
        i = j - 1;
    }

    // Out of Montgomery form: multiply by 1.
    Limbs one(k, 0);
    one[0] = 1;
    ctx.mul(acc.data(), one.data(), acc.data());
    return digitsOfLimbs(acc.data(), k);
}

} // namespace zerath
