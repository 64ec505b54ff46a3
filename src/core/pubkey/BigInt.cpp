#include "pubkey/BigInt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <utility>

#include "pubkey/Isaac.h"
#include "pubkey/Montgomery.h"
#include "pubkey/SystemRandom.h"

namespace zerath {

using DigitArray = TBigint::DigitArray;

namespace {

// ---- magnitude helpers (normalised little-endian digit arrays) --------------------

void trimZeros(DigitArray& a)
{
    while (a.size() > 1 && a.back() == 0) a.pop_back();
}

bool magIsZero(const DigitArray& a)
{
    return a.size() == 1 && a[0] == 0;
}

int cmpMag(const DigitArray& a, const DigitArray& b)
{
    if (a.size() != b.size()) return a.size() > b.size() ? 1 : -1;
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    }
    return 0;
}

DigitArray addMag(const DigitArray& a, const DigitArray& b)
{
    const DigitArray& l = a.size() >= b.size() ? a : b;
    const DigitArray& s = a.size() >= b.size() ? b : a;
    DigitArray r(l.size() + 1, 0);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < l.size(); ++i) {
        const std::uint32_t t = l[i] + (i < s.size() ? s[i] : 0u) + carry;
        r[i] = static_cast<std::uint16_t>(t);
        carry = t >> 16;
    }
    r[l.size()] = static_cast<std::uint16_t>(carry);
    trimZeros(r);
    return r;
}

// a - b for |a| >= |b|.
DigitArray subMag(const DigitArray& a, const DigitArray& b)
{
    DigitArray r(a.size(), 0);
    std::int32_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::int32_t t = static_cast<std::int32_t>(a[i]) - (i < b.size() ? b[i] : 0) - borrow;
        borrow = t < 0 ? 1 : 0;
        r[i] = static_cast<std::uint16_t>(t + (borrow << 16));
    }
    trimZeros(r);
    return r;
}

DigitArray mulMag(const DigitArray& a, const DigitArray& b)
{
    if (magIsZero(a) || magIsZero(b)) return DigitArray(1, 0);
    // Schoolbook on 32-bit limbs (pairs of digits); the digits of the result
    // are those of the 16-bit method.
    const std::size_t na = (a.size() + 1) / 2, nb = (b.size() + 1) / 2;
    std::vector<std::uint32_t, ZeroingAllocator<std::uint32_t>> x(na, 0), y(nb, 0), r(na + nb, 0);
    for (std::size_t i = 0; i < a.size(); ++i) x[i / 2] |= static_cast<std::uint32_t>(a[i]) << (16 * (i % 2));
    for (std::size_t i = 0; i < b.size(); ++i) y[i / 2] |= static_cast<std::uint32_t>(b[i]) << (16 * (i % 2));
    for (std::size_t j = 0; j < nb; ++j) {
        std::uint64_t carry = 0;
        const std::uint64_t yj = y[j];
        if (yj == 0) continue;
        for (std::size_t i = 0; i < na; ++i) {
            const std::uint64_t t = x[i] * yj + r[i + j] + carry;
            r[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        r[j + na] = static_cast<std::uint32_t>(carry);
    }
    DigitArray out(2 * (na + nb), 0);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint16_t>(r[i / 2] >> (16 * (i % 2)));
    trimZeros(out);
    return out;
}

// Quotient and remainder of a magnitude by a 16-bit w != 0.
std::uint16_t divSmallMag(const DigitArray& a, std::uint16_t w, DigitArray& q)
{
    q.assign(a.size(), 0);
    std::uint32_t r = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        const std::uint32_t t = (r << 16) | a[i];
        q[i] = static_cast<std::uint16_t>(t / w);
        r = t % w;
    }
    trimZeros(q);
    return static_cast<std::uint16_t>(r);
}

std::uint16_t modSmallMag(const DigitArray& a, std::uint16_t w)
{
    std::uint32_t r = 0;
    for (std::size_t i = a.size(); i-- > 0;) r = ((r << 16) | a[i]) % w;
    return static_cast<std::uint16_t>(r);
}

// Knuth's long division of magnitudes, y of two or more digits.
void divMag(const DigitArray& x, const DigitArray& y, DigitArray* q, DigitArray* r)
{
    if (cmpMag(x, y) < 0) {
        if (q) q->assign(1, 0);
        if (r) *r = x;
        return;
    }
    const std::size_t n = y.size(), m = x.size() - n;
    const int s = std::countl_zero(y.back()); // zero-extended to 16 bits by countl_zero on uint16_t
    DigitArray yn(n, 0), xn(x.size() + 1, 0);
    for (std::size_t i = n; i-- > 1;)
        yn[i] = static_cast<std::uint16_t>((y[i] << s) | (s ? (y[i - 1] >> (16 - s)) : 0));
    yn[0] = static_cast<std::uint16_t>(y[0] << s);
    xn[x.size()] = static_cast<std::uint16_t>(s ? (x.back() >> (16 - s)) : 0);
    for (std::size_t i = x.size(); i-- > 1;)
        xn[i] = static_cast<std::uint16_t>((x[i] << s) | (s ? (x[i - 1] >> (16 - s)) : 0));
    xn[0] = static_cast<std::uint16_t>(x[0] << s);

    DigitArray qd(m + 1, 0);
    const std::uint64_t ytop = yn[n - 1], ynext = yn[n - 2];
    for (std::size_t j = m + 1; j-- > 0;) {
        const std::uint64_t num = (static_cast<std::uint64_t>(xn[j + n]) << 16) | xn[j + n - 1];
        std::uint64_t qhat = num / ytop, rhat = num % ytop;
        while (qhat >= 65536 || qhat * ynext > ((rhat << 16) | xn[j + n - 2])) {
            --qhat;
            rhat += ytop;
            if (rhat >= 65536) break;
        }
        // Subtract qhat * yn from xn[j .. j+n].
        std::int64_t borrow = 0;
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t p = qhat * yn[i] + carry;
            carry = p >> 16;
            const std::int64_t t = static_cast<std::int64_t>(xn[i + j]) - static_cast<std::int64_t>(p & 0xFFFF) - borrow;
            xn[i + j] = static_cast<std::uint16_t>(t);
            borrow = t < 0 ? 1 : 0;
        }
        const std::int64_t t = static_cast<std::int64_t>(xn[j + n]) - static_cast<std::int64_t>(carry) - borrow;
        xn[j + n] = static_cast<std::uint16_t>(t);
        if (t < 0) {
            // The estimate was one too large: add the divisor back.
            --qhat;
            std::uint32_t c = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint32_t u = static_cast<std::uint32_t>(xn[i + j]) + yn[i] + c;
                xn[i + j] = static_cast<std::uint16_t>(u);
                c = u >> 16;
            }
            xn[j + n] = static_cast<std::uint16_t>(xn[j + n] + c);
        }
        qd[j] = static_cast<std::uint16_t>(qhat);
    }
    if (q) {
        trimZeros(qd);
        *q = std::move(qd);
    }
    if (r) {
        DigitArray rd(n, 0);
        for (std::size_t i = 0; i < n; ++i)
            rd[i] = static_cast<std::uint16_t>((xn[i] >> s) | (s && i + 1 < n ? (static_cast<std::uint32_t>(xn[i + 1]) << (16 - s)) : 0));
        trimZeros(rd);
        *r = std::move(rd);
    }
}

DigitArray oneDigit(std::uint16_t w)
{
    return DigitArray(1, w);
}

void incrementMag(DigitArray& a)
{
    for (auto& d : a) {
        if (++d != 0) return;
    }
    a.push_back(1);
}

[[noreturn]] void divByZero()
{
    throw EDivByZero();
}

} // namespace

// ---- construction ---------------------------------------------------------------

TBigint::TBigint() : digits_(1, 0) {}

TBigint::TBigint(const TBigint& other) : negative_(other.negative_), digits_(other.digits_) {}

TBigint::TBigint(TBigint&& other) noexcept : negative_(other.negative_), digits_(std::move(other.digits_))
{
    other.negative_ = false;
}

TBigint& TBigint::operator=(const TBigint& other)
{
    if (this != &other) {
        DigitArray copy(other.digits_);
        wipeDigits();
        digits_ = std::move(copy);
        negative_ = other.negative_;
    }
    return *this;
}

TBigint& TBigint::operator=(TBigint&& other) noexcept
{
    if (this != &other) {
        wipeDigits();
        digits_ = std::move(other.digits_);
        negative_ = other.negative_;
        other.negative_ = false;
    }
    return *this;
}

TBigint::~TBigint()
{
    wipeDigits();
}

void TBigint::wipeDigits() noexcept
{
    if (digits_.size() >= 2) {
        for (auto& d : digits_) d = static_cast<std::uint16_t>(SystemRandom(65535));
    }
}

void TBigint::Wipe()
{
    wipeDigits();
    digits_.assign(1, 0);
    negative_ = false;
}

void TBigint::normalise()
{
    if (digits_.empty()) digits_.push_back(0);
    trimZeros(digits_);
    if (magIsZero(digits_)) negative_ = false;
}

TBigint TBigint::FromDigits(DigitArray digits, bool negative)
{
    TBigint r;
    r.digits_ = std::move(digits);
    r.negative_ = negative;
    r.normalise();
    return r;
}

TBigint TBigint::Create(int digitCount)
{
    TBigint r;
    r.digits_.assign(static_cast<std::size_t>(std::max(digitCount, 1)), 0);
    return r;
}

TBigint TBigint::CreateCopy(const TBigint& source)
{
    return TBigint(source);
}

TBigint TBigint::CreateFromInt64(std::int64_t value)
{
    std::uint64_t mag = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    DigitArray d;
    do {
        d.push_back(static_cast<std::uint16_t>(mag));
        mag >>= 16;
    } while (mag != 0);
    return FromDigits(std::move(d), value < 0);
}

void TBigint::Assign(const TBigint& source)
{
    *this = source;
}

// ---- constants and text tables -----------------------------------------------------

namespace {

constexpr std::array<int, 37> kChunkDigits = [] {
    std::array<int, 37> t{};
    for (int b = 2; b <= 36; ++b) {
        // Largest k with b^k < 2^63.
        unsigned __int128 p = 1;
        int k = 0;
        while (p * static_cast<unsigned>(b) < (static_cast<unsigned __int128>(1) << 63)) {
            p *= static_cast<unsigned>(b);
            ++k;
        }
        t[static_cast<std::size_t>(b)] = k;
    }
    return t;
}();

struct Constants {
    TBigint zero = TBigint::CreateFromInt64(0);
    TBigint one = TBigint::CreateFromInt64(1);
    TBigint minusOne = TBigint::CreateFromInt64(-1);
    TBigint two = TBigint::CreateFromInt64(2);
    TBigint three = TBigint::CreateFromInt64(3);
    TBigint four = TBigint::CreateFromInt64(4);
    TBigint eight = TBigint::CreateFromInt64(8);
    std::array<TBigint, 37> powers;
    Constants()
    {
        for (int b = 2; b <= 36; ++b) {
            std::int64_t p = 1;
            for (int i = 0; i < kChunkDigits[static_cast<std::size_t>(b)]; ++i) p *= b;
            powers[static_cast<std::size_t>(b)] = TBigint::CreateFromInt64(p);
        }
    }
};

const Constants& constants()
{
    static const Constants c;
    return c;
}

void checkBase(int base)
{
    if (base < 2 || base > 36) throw Error("Invalid Base: " + std::to_string(base));
}

int charValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return -1;
}

int g_startCount = 0;

} // namespace

const TBigint& BigZero() { return constants().zero; }
const TBigint& BigOne() { return constants().one; }
const TBigint& BigMinusOne() { return constants().minusOne; }
const TBigint& BigTwo() { return constants().two; }
const TBigint& BigThree() { return constants().three; }
const TBigint& BigFour() { return constants().four; }
const TBigint& BigEight() { return constants().eight; }

int BaseChunkDigits(int base)
{
    checkBase(base);
    return kChunkDigits[static_cast<std::size_t>(base)];
}

const TBigint& BasePowers(int base)
{
    checkBase(base);
    return constants().powers[static_cast<std::size_t>(base)];
}

void BigMathStartup()
{
    if (g_startCount++ == 0) {
        constants();
        BigRandom();
    }
}

void BigMathShutdown()
{
    if (g_startCount > 0 && --g_startCount == 0) ReleaseBigRandom();
}

// ---- text ----------------------------------------------------------------------------

TBigint TBigint::CreateFromKeyText(std::string_view hex)
{
    if (hex.size() > kMaxKeyNumberDigits) throw Error("Number too long");
    return CreateFromString(hex, 16);
}

TBigint TBigint::CreateFromString(std::string_view text, int base)
{
    checkBase(base);
    if (text.empty()) throw Error("Zero-length string");
    bool neg = false;
    std::size_t pos = 0;
    if (text[0] == '-') {
        neg = true;
        pos = 1;
        if (text.size() == 1) throw Error("Zero-length string");
    }
    while (pos < text.size() && text[pos] == '0') ++pos;
    if (pos == text.size()) return TBigint();

    const std::size_t len = text.size() - pos;
    const std::size_t chunk = static_cast<std::size_t>(kChunkDigits[static_cast<std::size_t>(base)]);
    std::size_t first = len % chunk;
    if (first == 0) first = chunk;

    TBigint result;
    bool started = false;
    std::size_t take = first;
    while (pos < text.size()) {
        std::int64_t v = 0;
        for (std::size_t i = 0; i < take; ++i) {
            const char c = text[pos + i];
            const int d = charValue(c);
            if (d < 0 || d >= base) throw Error(std::string("Invalid Char: ") + c);
            v = v * base + d;
        }
        if (started) {
            result.Multiply(BasePowers(base));
            result.Add(CreateFromInt64(v));
        } else {
            result = CreateFromInt64(v);
            started = true;
        }
        pos += take;
        take = chunk;
    }
    result.negative_ = neg;
    result.normalise();
    return result;
}

std::string TBigint::ToString(int base) const
{
    checkBase(base);
    // Divide by the largest power of the base that fits a digit; each
    // remainder gives a group of characters, least significant first.
    std::uint32_t w = static_cast<std::uint32_t>(base);
    int per = 1;
    while (w * static_cast<std::uint32_t>(base) <= 65535) {
        w *= static_cast<std::uint32_t>(base);
        ++per;
    }
    // Room for every character at once (a base-2 text of n 16-bit digits has at
    // most 16n characters): growing would leave copies of a private exponent's
    // digits in freed memory.
    std::string out;
    out.reserve(16 * digits_.size() + 2);
    DigitArray mag(digits_), q;
    do {
        std::uint16_t r = divSmallMag(mag, static_cast<std::uint16_t>(w), q);
        mag.swap(q);
        const bool last = magIsZero(mag);
        for (int i = 0; i < per; ++i) {
            out.push_back(DigitChars[r % static_cast<unsigned>(base)]);
            r = static_cast<std::uint16_t>(r / static_cast<unsigned>(base));
            if (last && r == 0) break;
        }
    } while (!magIsZero(mag));
    if (negative_) out.push_back('-');
    std::reverse(out.begin(), out.end());
    return out;
}

std::string TBigint::ToDecimalString() const
{
    return ToString(10);
}

// ---- queries -------------------------------------------------------------------------

int TBigint::Compare(const TBigint& b) const
{
    if (negative_ != b.negative_) return negative_ ? -1 : 1;
    const int c = cmpMag(digits_, b.digits_);
    return negative_ ? -c : c;
}

bool TBigint::IsZero() const { return magIsZero(digits_); }
bool TBigint::IsOne() const { return digits_.size() == 1 && digits_[0] == 1 && !negative_; }
bool TBigint::Equals(const TBigint& b) const { return Compare(b) == 0; }
bool TBigint::IsEven() const { return (digits_[0] & 1) == 0; }
bool TBigint::IsOdd() const { return (digits_[0] & 1) != 0; }

int TBigint::BitLength() const
{
    if (IsZero()) return 0;
    return 16 * DigitCount() - std::countl_zero(digits_.back());
}

int TBigint::TrailingZeroBits() const
{
    if (IsZero()) return 0;
    int n = 0;
    std::size_t i = 0;
    while (digits_[i] == 0) {
        n += 16;
        ++i;
    }
    return n + std::countr_zero(digits_[i]);
}

// ---- addition and subtraction ------------------------------------------------------------

namespace {

// (neg, mag) := (neg, mag) + (bneg, bmag)
void addSigned(bool& neg, DigitArray& mag, bool bneg, const DigitArray& bmag)
{
    if (neg == bneg) {
        mag = addMag(mag, bmag);
        return;
    }
    const int c = cmpMag(mag, bmag);
    if (c == 0) {
        mag.assign(1, 0);
        neg = false;
    } else if (c > 0) {
        mag = subMag(mag, bmag);
    } else {
        mag = subMag(bmag, mag);
        neg = bneg;
    }
}

} // namespace

TBigint& TBigint::Add(const TBigint& b)
{
    addSigned(negative_, digits_, b.negative_, b.digits_);
    normalise();
    return *this;
}

TBigint& TBigint::Subtract(const TBigint& b)
{
    addSigned(negative_, digits_, !b.negative_, b.digits_);
    normalise();
    return *this;
}

TBigint& TBigint::AddSmall(std::uint16_t w)
{
    addSigned(negative_, digits_, false, oneDigit(w));
    normalise();
    return *this;
}

TBigint& TBigint::SubtractSmall(std::uint16_t w)
{
    addSigned(negative_, digits_, true, oneDigit(w));
    normalise();
    return *this;
}

// ---- multiplication and division -----------------------------------------------------------

TBigint& TBigint::Multiply(const TBigint& b)
{
    const bool neg = negative_ != b.negative_;
    digits_ = mulMag(digits_, b.digits_);
    negative_ = neg;
    normalise();
    return *this;
}

TBigint& TBigint::MultiplySmall(std::uint16_t w, bool negative)
{
    DigitArray r(digits_.size() + 1, 0);
    std::uint32_t carry = 0;
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        const std::uint32_t t = static_cast<std::uint32_t>(digits_[i]) * w + carry;
        r[i] = static_cast<std::uint16_t>(t);
        carry = t >> 16;
    }
    r[digits_.size()] = static_cast<std::uint16_t>(carry);
    digits_ = std::move(r);
    negative_ = negative_ != negative;
    normalise();
    return *this;
}

TBigint::DivModResult TBigint::DivModSmall(const TBigint& a, std::uint16_t w, bool divisorNegative)
{
    if (w == 0) divByZero();
    DigitArray q;
    std::uint16_t r = divSmallMag(a.digits_, w, q);
    if (a.negative_ && r != 0) {
        incrementMag(q);
        r = static_cast<std::uint16_t>(w - r);
    }
    return {FromDigits(std::move(q), a.negative_ != divisorNegative), FromDigits(oneDigit(r), false)};
}

TBigint::DivModResult TBigint::DivMod(const TBigint& a, const TBigint& b)
{
    if (b.IsZero()) divByZero();
    if (b.DigitCount() == 1) return DivModSmall(a, b.digits_[0], b.negative_);
    DigitArray q, r;
    divMag(a.digits_, b.digits_, &q, &r);
    if (a.negative_ && !magIsZero(r)) {
        incrementMag(q);
        r = subMag(b.digits_, r);
    }
    return {FromDigits(std::move(q), a.negative_ != b.negative_), FromDigits(std::move(r), false)};
}

TBigint& TBigint::ModuloSmall(std::uint16_t w)
{
    if (w == 0) divByZero();
    std::uint16_t r = modSmallMag(digits_, w);
    if (negative_ && r != 0) r = static_cast<std::uint16_t>(w - r);
    digits_ = oneDigit(r);
    negative_ = false;
    return *this;
}

TBigint& TBigint::Modulo(const TBigint& m)
{
    if (m.IsZero()) divByZero();
    if (m.DigitCount() == 1) return ModuloSmall(m.digits_[0]);
    if (!negative_ && cmpMag(digits_, m.digits_) < 0) return *this;
    DigitArray r;
    divMag(digits_, m.digits_, nullptr, &r);
    if (negative_ && !magIsZero(r)) r = subMag(m.digits_, r);
    digits_ = std::move(r);
    negative_ = false;
    normalise();
    return *this;
}

TBigint& TBigint::MulMod(const TBigint& b, const TBigint& m)
{
    if (m.IsZero()) divByZero();
    TBigint t(*this);
    t.Multiply(b);
    t.Modulo(m);
    *this = std::move(t);
    return *this;
}

TBigint& TBigint::PowMod(const TBigint& e, const TBigint& m)
{
    return PowModWith(e, m, false);
}

TBigint& TBigint::PowModSecret(const TBigint& e, const TBigint& m)
{
    return PowModWith(e, m, true);
}

TBigint& TBigint::PowModWith(const TBigint& e, const TBigint& m, bool secretExponent)
{
    if (e.negative_) throw Error("Negative exponent");
    if (e.IsZero()) {
        if (IsZero()) throw Error("Zero to the zeroth power is not defined");
        *this = BigOne();
        return *this;
    }
    if (m.IsZero()) divByZero();

    TBigint mod(m);
    mod.Abs();
    if (mod.IsOdd()) {
        // Montgomery exponentiation gives the same value as the binary method.
        TBigint base(*this);
        base.Modulo(mod);
        if (mod.IsOne() || base.IsZero()) {
            *this = BigZero();
            return *this;
        }
        DigitArray r = montgomeryPowMod(base.digits_, e.digits_, mod.digits_, secretExponent);
        *this = FromDigits(std::move(r), false);
        return *this;
    }

    // Right-to-left binary method.
    TBigint result(BigOne());
    TBigint base(*this);
    TBigint k(e);
    while (!k.IsZero()) {
        if (k.IsOdd()) result.MulMod(base, mod);
        k.ShiftRight(1);
        if (!k.IsZero()) base.MulMod(base, mod);
    }
    *this = std::move(result);
    return *this;
}

// ---- shifts ---------------------------------------------------------------------------------

TBigint& TBigint::ShiftLeftDigits(int n)
{
    if (n < 0) return n == INT_MIN ? ShiftRightDigits(INT_MAX) : ShiftRightDigits(-n);
    if (IsZero() || n == 0) return *this;
    digits_.insert(digits_.begin(), static_cast<std::size_t>(n), 0);
    return *this;
}

TBigint& TBigint::ShiftRightDigits(int n)
{
    if (n < 0) return n == INT_MIN ? ShiftLeftDigits(INT_MAX) : ShiftLeftDigits(-n);
    if (IsZero() || n == 0) return *this;
    const std::size_t k = static_cast<std::size_t>(n);
    if (k >= digits_.size()) {
        std::fill(digits_.begin(), digits_.end(), 0);
        digits_.assign(1, 0);
        negative_ = false;
        return *this;
    }
    std::fill(digits_.begin(), digits_.begin() + static_cast<std::ptrdiff_t>(k), 0);
    digits_.erase(digits_.begin(), digits_.begin() + static_cast<std::ptrdiff_t>(k));
    normalise();
    return *this;
}

TBigint& TBigint::ShiftLeft(int bits)
{
    if (bits < 0) return ShiftRight(bits == INT_MIN ? INT_MAX : -bits);
    if (IsZero()) return *this;
    ShiftLeftDigits(bits / 16);
    const int s = bits % 16;
    if (s == 0) return *this;
    if ((digits_.back() >> (16 - s)) != 0) digits_.push_back(0);
    for (std::size_t i = digits_.size(); i-- > 0;) {
        const std::uint32_t below = i > 0 ? digits_[i - 1] : 0;
        digits_[i] = static_cast<std::uint16_t>((digits_[i] << s) | (below >> (16 - s)));
    }
    return *this;
}

TBigint& TBigint::ShiftRight(int bits)
{
    if (bits < 0) return ShiftLeft(bits == INT_MIN ? INT_MAX : -bits);
    if (IsZero()) return *this;
    ShiftRightDigits(bits / 16);
    const int s = bits % 16;
    if (s == 0 || IsZero()) return *this;
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        const std::uint32_t above = i + 1 < digits_.size() ? digits_[i + 1] : 0;
        digits_[i] = static_cast<std::uint16_t>((digits_[i] >> s) | (above << (16 - s)));
    }
    normalise();
    return *this;
}

TBigint& TBigint::Abs()
{
    negative_ = false;
    return *this;
}

// ---- GCD and inverse ------------------------------------------------------------------------

TBigint TBigint::Gcd(const TBigint& a, const TBigint& b)
{
    if (a.negative_ || b.negative_) throw Error("Can't take gcd of negative number");
    if (a.IsZero() && b.IsZero()) return BigOne();
    if (a.IsZero() || b.IsZero()) throw Error("Can't compute gcd: X or Y is zero");

    TBigint x = a >= b ? a : b;
    TBigint y = a >= b ? b : a;
    const int k = std::min(x.TrailingZeroBits(), y.TrailingZeroBits());
    x.ShiftRight(k);
    y.ShiftRight(k);
    while (!x.IsZero()) {
        x.ShiftRight(x.TrailingZeroBits());
        y.ShiftRight(y.TrailingZeroBits());
        TBigint t(x);
        t.Subtract(y);
        t.Abs();
        t.ShiftRight(1);
        if (x < y)
            y = std::move(t);
        else
            x = std::move(t);
    }
    y.ShiftLeft(k);
    return y;
}

TBigint TBigint::ModInverse(const TBigint& a, const TBigint& m)
{
    if (m.IsZero()) throw EDivByZero("Zero modulus");
    TBigint mod(m);
    mod.Abs();
    TBigint x(a);
    x.Modulo(mod);
    if (x.IsZero())
        throw Error(a.ToDecimalString() + " does not have a multiplicative inverse modulo " + m.ToDecimalString());
    if (x.IsOne()) return BigOne();

    TBigint y(mod);
    const int k = std::min(x.TrailingZeroBits(), y.TrailingZeroBits());
    x.ShiftRight(k);
    y.ShiftRight(k);

    TBigint u(x), v(y), A(BigOne()), B, C, D(BigOne());
    while (!u.IsZero()) {
        if (u.IsEven()) {
            u.ShiftRight(1);
            if (!(A.IsEven() && B.IsEven())) {
                A.Add(y);
                B.Subtract(x);
            }
            A.ShiftRight(1);
            B.ShiftRight(1);
        } else {
            while (v.IsEven()) {
                v.ShiftRight(1);
                if (!(C.IsEven() && D.IsEven())) {
                    C.Add(y);
                    D.Subtract(x);
                }
                C.ShiftRight(1);
                D.ShiftRight(1);
            }
            if (u < v) {
                v.Subtract(u);
                C.Subtract(A);
                D.Subtract(B);
            } else {
                u.Subtract(v);
                A.Subtract(C);
                B.Subtract(D);
            }
        }
    }
    if (C.IsNegative()) C.Add(mod);
    // Keep the result in 0 .. m-1 whatever the path took.
    C.Modulo(mod);
    return C;
}

} // namespace zerath
