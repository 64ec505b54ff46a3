// Reads alice's private exponent and runs the private operation with the
// secret marked undefined to valgrind's memcheck, which then reports every
// branch and every memory address that depends on it: the exponent's text,
// the plain exponentiation, the recovery of the primes from n, e and d, and
// the operation through the primes (whose p, q, dP, dQ and q^-1 all descend
// from the marked d, so they are secret too). Built and run by
// scripts/ct-check.sh; argument: the folder of the key files (tests/data/keys).
#include <valgrind/memcheck.h>

#include <cstdio>
#include <string>

#include "pubkey/BigInt.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/RsaCrt.h"
#include "pubkey/SecretHex.h"

using namespace zerath;

namespace {

void markSecret(const void* p, std::size_t n) { VALGRIND_MAKE_MEM_UNDEFINED(p, n); }
void markPublic(const void* p, std::size_t n) { VALGRIND_MAKE_MEM_DEFINED(p, n); }

unsigned reported() { return static_cast<unsigned>(VALGRIND_COUNT_ERRORS); }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s KEY-FOLDER\n", argv[0]);
        return 2;
    }
    TPrivateKey key;
    key.Passphrase = SecureString(std::string("correct horse battery"));
    key.LoadFromFile(std::string(argv[1]) + "/alice-private.akf");
    const TBigint& n = *key.Modulus;
    SecureString text(key.ExponentD->ToString(16));

    unsigned before = reported();
    markSecret(text.data(), text.size());
    TBigint::DigitArray digits;
    std::uint32_t valid = SecretHexDigits(text.view(), digits);
    markPublic(&valid, sizeof valid); // whether the text was hex is the one answer given
    std::printf("reading the exponent's text: %u reports\n", reported() - before);
    const bool readWell = valid == ~0u;

    // The exponent as a number, its digits secret: the private operation.
    TBigint d = *key.ExponentD;
    before = reported();
    markSecret(d.Digits().data(), d.Digits().size() * sizeof(std::uint16_t));
    TBigint c = TBigint::CreateFromString("123456789abcdef", 16);
    c.PowModSecret(d, n);
    const TBigint::DigitArray& result = c.Digits();
    markPublic(result.data(), result.size() * sizeof(std::uint16_t)); // the result is the caller's secret to keep
    std::printf("the private operation: %u reports\n", reported() - before);

    // The primes recovered from a secret d, then the operation through them.
    TBigint dc = *key.ExponentD;
    before = reported();
    markSecret(dc.Digits().data(), dc.Digits().size() * sizeof(std::uint16_t));
    const std::unique_ptr<RsaCrtKey> crt = RsaCrtKey::Recover(n, *key.ExponentE, dc);
    std::printf("recovering the primes: %u reports\n", reported() - before);
    if (!crt) {
        std::fprintf(stderr, "the primes were not recovered\n");
        return 1;
    }
    before = reported();
    TBigint m = crt->Power(TBigint::CreateFromString("123456789abcdef", 16));
    markPublic(m.Digits().data(), m.Digits().size() * sizeof(std::uint16_t));
    TBigint plain = c; // the plain operation's result, already public
    const bool agree = m == plain;
    std::printf("the operation through the primes: %u reports\n", reported() - before);
    if (!agree) std::fprintf(stderr, "the two operations disagree\n");
    return readWell && agree && reported() == 0 ? 0 : 1;
}
