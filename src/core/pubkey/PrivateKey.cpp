#include "pubkey/PrivateKey.h"

#include "common/Error.h"
#include "common/FileIO.h"
#include "pubkey/KeyDateTime.h"
#include "pubkey/KeyFile.h"
#include "pubkey/SecretHex.h"
#include "pubkey/SystemRandom.h"

namespace zerath {

namespace {

// A random probable prime below 2^bits: every candidate is drawn afresh, its
// lowest bit set, until one passes 40 rounds (the top bit is not forced).
TBigint SearchPrime(int bits, MessagePump& pump, const KeyGenProgress& progress, int& tried)
{
    // With one bit the only odd candidate is 1: the search would never end.
    if (bits < 2) throw Error("Invalid number of bits: " + std::to_string(bits));
    TBigint candidate;
    for (;;) {
        candidate.RandomBits(bits);
        if (candidate.IsEven()) candidate.AddSmall(1);
        ++tried;
        if (progress) progress(tried);
        pump.processEvents();
        if (candidate.IsProbablePrime(40)) return candidate;
    }
}

SecureString HexOf(const TBigint& x)
{
    std::string text = x.ToString(16);
    SecureString out(text);
    wipeString(text);
    return out;
}

// A random number in 2 .. n-1 from the operating system's source (n > 3).
TBigint RandomBlindingBase(const TBigint& n)
{
    static const char hex[] = "0123456789abcdef";
    const std::size_t bytes = static_cast<std::size_t>(n.BitLength() + 7) / 8 + 8;
    for (;;) {
        SecureBytes raw(bytes);
        osRandomBytes(raw.data(), raw.size());
        SecureString text;
        text.reserve(2 * bytes);
        for (std::uint8_t b : raw) {
            text.push_back(hex[b >> 4]);
            text.push_back(hex[b & 0x0F]);
        }
        TBigint r = TBigint::CreateFromString(text.view(), 16);
        r.Modulo(n);
        if (r.Compare(BigTwo()) >= 0) return r;
    }
}

} // namespace

TPrivateKey::TPrivateKey(std::optional<TBigint> exponentE, std::optional<TBigint> modulus,
                         std::optional<TBigint> exponentD)
    : ExponentD(std::move(exponentD)), Modulus(std::move(modulus)), ExponentE(std::move(exponentE))
{
}

void TPrivateKey::GenerateKeys(int bits, MessagePump& pump, const KeyGenProgress& progress, KeyGenPrimes* primes)
{
    crt_.reset();
    ExponentD.reset();
    Modulus.reset();
    ExponentE.reset();

    int tried = 0;
    TBigint p, q;
    do {
        pump.processEvents();
        p = SearchPrime(bits / 2, pump, progress, tried);
        q = SearchPrime(bits / 2, pump, progress, tried);
    } while (p == q);

    TBigint n = p;
    n.Multiply(q);
    TBigint p1 = p, q1 = q;
    p1.SubtractSmall(1);
    q1.SubtractSmall(1);
    TBigint phi = std::move(p1);
    phi.Multiply(q1);
    q1.Wipe();

    const TBigint below = TBigint::CreateFromString("FFFFFFFF", 16);
    TBigint e;
    do {
        e = TBigint::CreateRandomPrimeBelow(below);
        if (e < BigThree()) e = BigThree();
    } while (!TBigint::Gcd(e, phi).IsOne());

    TBigint d = TBigint::ModInverse(e, phi);
    if (d.IsNegative()) throw Error("Negative inverse. This shouldn't happen.");
    TBigint check = d;
    check.MulMod(e, phi);
    if (!check.IsOne()) throw Error("Incorrect inverse. This shouldn't happen.");
    phi.Wipe();

    const KeyDateTime now = CurrentKeyDateTime();
    KeyCreationDate = now.Date;
    KeyCreationTime = now.Time;

    SecureString printed = HexOf(n);
    printed.append(HexOf(d)).append(HexOf(e)).append(KeyCreationDate).append(KeyCreationTime);
    FingerPrint = zerath::CalcFingerPrint(printed.view());
    KeyID = zerath::CalcKeyID(FingerPrint);

    Modulus = std::move(n);
    ExponentE = std::move(e);
    ExponentD = std::move(d);
    if (primes) {
        primes->P = std::move(p);
        primes->Q = std::move(q);
    } else {
        p.Wipe();
        q.Wipe();
    }
}

std::unique_ptr<TPublicKey> TPrivateKey::GetPublicKey() const
{
    auto key = std::make_unique<TPublicKey>(ExponentE, Modulus);
    key->KeyCreationDate = KeyCreationDate;
    key->KeyCreationTime = KeyCreationTime;
    std::string printed;
    if (Modulus) printed += Modulus->ToString(16);
    if (ExponentE) printed += ExponentE->ToString(16);
    printed += KeyCreationDate;
    printed += KeyCreationTime;
    key->FingerPrint = zerath::CalcFingerPrint(printed);
    key->KeyID = zerath::CalcKeyID(key->FingerPrint);
    return key;
}

SecureString TPrivateKey::DecryptUnblinded(std::string_view hex) const
{
    try {
        if (!ExponentD || !Modulus) throw Error("no key");
        TBigint m = TBigint::CreateFromKeyText(hex);
        m.PowModSecret(*ExponentD, *Modulus);
        return HexOf(m);
    } catch (...) {
        throw Error("RSA Decryption Error");
    }
}

bool TPrivateKey::PrepareCrt()
{
    if (!crt_ && ExponentD && Modulus && ExponentE) {
        try {
            crt_ = RsaCrtKey::Recover(*Modulus, *ExponentE, *ExponentD);
        } catch (...) { // crt_ stays empty: Decrypt goes on without it
        }
    }
    return crt_ != nullptr;
}

SecureString TPrivateKey::Decrypt(std::string_view hex) const
{
    try {
        if (!ExponentD || !Modulus) throw Error("no key");
        const TBigint& n = *Modulus;
        const TBigint& d = *ExponentD;
        TBigint c = TBigint::CreateFromKeyText(hex);
        if (crt_ && !c.IsNegative()) {
            TBigint reduced = c;
            reduced.Modulo(n);
            if (!reduced.IsZero())
                if (const std::optional<TBigint> m = crt_->Decrypt(reduced)) return HexOf(*m);
        }

        // Blinding needs a sound odd modulus, a positive input and exponents; any
        // other case (never met with a real key) takes the plain road.
        const bool blindable = ExponentE && !ExponentE->IsNegative() && !ExponentE->IsZero() &&
                               !n.IsNegative() && n.IsOdd() && n.BitLength() > 8 && !d.IsNegative() &&
                               !d.IsZero() && !c.IsNegative() && !c.IsZero();
        if (blindable) {
            const TBigint& e = *ExponentE;
            // c' = c * r^e, m' = c'^d, m = m' * r^-1 (all mod n). A factor r that
            // shares a prime with n has no inverse; another is drawn.
            for (int attempt = 0; attempt < 4; ++attempt) {
                TBigint r = RandomBlindingBase(n);
                TBigint rInv = TBigint::ModInverse(r, n);
                TBigint unit = rInv;
                unit.MulMod(r, n);
                if (!unit.IsOne()) continue;

                TBigint m = std::move(r);
                m.PowMod(e, n);
                m.MulMod(c, n);
                m.PowModSecret(d, n);
                m.MulMod(rInv, n);
                rInv.Wipe();

                // m^e must give c back; when it does not (e and d do not belong
                // together) the plain answer is the one to give.
                TBigint back = m;
                back.PowMod(e, n);
                TBigint reduced = c;
                reduced.Modulo(n);
                if (back == reduced) return HexOf(m);
                m.Wipe();
                break;
            }
        }
        c.PowModSecret(d, n);
        return HexOf(c);
    } catch (...) {
        throw Error("RSA Decryption Error");
    }
}

SecureString TPrivateKey::KeyFileBody() const
{
    if (KeyOwner.empty()) throw Error("The Key Owner cannot be empty.");
    if (!ExponentE || !Modulus || !ExponentD) throw Error("One or more Key parameter is empty");
    SecureString n, e, d;
    try {
        n = HexOf(*Modulus);
        e = HexOf(*ExponentE);
        d = HexOf(*ExponentD);
    } catch (...) {
        throw Error("Key Conversion Error: Cannot save key!");
    }
    SecureString body;
    body.reserve(n.size() + e.size() + d.size() + KeyOwner.size() + 160);
    body.append("[PrivateKey]\r\n");
    body.append("KeyOwner=").append(KeyOwner).append("\r\n");
    body.append("Modulus=").append(n).append("\r\n");
    body.append("ExponentE=").append(e).append("\r\n");
    body.append("ExponentD=").append(d).append("\r\n");
    body.append("CDate=").append(KeyCreationDate).append("\r\n");
    body.append("CTime=").append(KeyCreationTime).append("\r\n");
    body.append(KeyCRCText(body.view())).append("\r\n");
    return body;
}

bool TPrivateKey::SaveToFile(const std::string& fileName, bool replace) const
{
    const SecureString body = KeyFileBody();
    if (Passphrase.empty()) throw Error("Private Key file passphrase cannot be empty");
    const std::string armour = SealKeyBody(body.view(), Passphrase.view());
    return WriteKeyFile(fileName, kPrivateKeyBeginMarker, kPrivateKeyEndMarker, armour, kOwnerOnly, replace);
}

void TPrivateKey::LoadFromFile(const std::string& fileName)
{
    crt_.reset();
    const std::string armoured = ReadKeyFileArmour(fileName);
    if (Passphrase.empty()) throw Error("The Key encryption passphrase cannot be empty!");
    SecureString plain = OpenKeyBody(armoured, Passphrase.view());
    zerath::CheckKeyCRC(plain);

    const KeyIniText ini(plain.view());
    plain.wipe();
    const SecureString n = ini.Read("PrivateKey", "Modulus");
    const SecureString d = ini.Read("PrivateKey", "ExponentD");
    const SecureString e = ini.Read("PrivateKey", "ExponentE");
    const SecureString owner = ini.Read("PrivateKey", "KeyOwner");
    const SecureString date = ini.Read("PrivateKey", "CDate");
    const SecureString time = ini.Read("PrivateKey", "CTime");
    KeyCreationDate = std::string(date.view());
    KeyCreationTime = std::string(time.view());

    SecureString printed;
    printed.append(n).append(d).append(e).append(date).append(time);
    FingerPrint = zerath::CalcFingerPrint(printed.view());
    KeyID = zerath::CalcKeyID(FingerPrint);

    try {
        TBigint modulus = TBigint::CreateFromKeyText(n.view());
        TBigint exponentE = TBigint::CreateFromKeyText(e.view());
        TBigint exponentD = CreateFromSecretHex(d.view());
        Modulus = std::move(modulus);
        ExponentE = std::move(exponentE);
        ExponentD = std::move(exponentD);
        KeyOwner = std::string(owner.view());
    } catch (...) {
        throw Error("Public RSA Key Loading Error");
    }
}

} // namespace zerath
