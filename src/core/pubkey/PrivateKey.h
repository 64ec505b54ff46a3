#pragma once
// TPrivateKey: an RSA key pair (modulus, public and private exponent) with its
// owner, creation date and time, fingerprint and key id. It generates new pairs,
// performs the raw private operation on hexadecimal text, derives the matching
// TPublicKey and writes and reads private key files.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Hooks.h"
#include "common/Secure.h"
#include "pubkey/BigInt.h"
#include "pubkey/KeyIdentity.h"
#include "pubkey/PublicKey.h"
#include "pubkey/RsaCrt.h"

namespace zerath {

// Called once per prime candidate drawn during a generation, with the number of
// candidates tried so far in this generation.
using KeyGenProgress = std::function<void(int candidatesTried)>;

// The two primes of the last generation, for callers that check them (tests).
struct KeyGenPrimes {
    TBigint P;
    TBigint Q;
};

class TPrivateKey : public TKeyIdentity {
public:
    TPrivateKey() = default;
    // Takes the three numbers (any may be absent); the text fields start empty.
    TPrivateKey(std::optional<TBigint> exponentE, std::optional<TBigint> modulus,
                std::optional<TBigint> exponentD);

    std::optional<TBigint> ExponentD;
    std::optional<TBigint> Modulus;
    std::optional<TBigint> ExponentE;

    // Fills the three numbers, the date and time, FingerPrint and KeyID.
    // p and q are random probable primes of at most bits/2 bits (drawn again
    // until they differ); e is a random odd prime below 0xFFFF0000 with
    // gcd(e, (p-1)(q-1)) = 1; d its inverse. The pump runs once per pair of
    // prime searches and once per candidate; progress, when given, is told of
    // every candidate. Errors: "Negative inverse. This shouldn't happen.",
    // "Incorrect inverse. This shouldn't happen.", and those of the arithmetic.
    void GenerateKeys(int bits, MessagePump& pump = nullPump(), const KeyGenProgress& progress = {},
                      KeyGenPrimes* primes = nullptr);

    // A new public key with copies of e and n, the date and time copied and its
    // own FingerPrint and KeyID; owner and passphrase left empty.
    std::unique_ptr<TPublicKey> GetPublicKey() const;

    // m^d mod n on base-16 text (the input is not reduced first; 0 gives 0).
    // Computed with a random blinding factor when e is known, so the timing does
    // not follow the input; the answer is the same as the plain computation.
    // Any failure: "RSA Decryption Error".
    SecureString Decrypt(std::string_view hex) const;
    // Recovers the primes once, so that Decrypt takes the Chinese remainder
    // road from then on (the answers are the same, about four times faster).
    // False when they cannot be recovered; Decrypt then goes on as before.
    // For a key used many times (a batch of files).
    bool PrepareCrt();

    // The plain m^d mod n without blinding, same errors (for comparison).
    SecureString DecryptUnblinded(std::string_view hex) const;

    // Errors in this order: "The Key Owner cannot be empty.",
    // "One or more Key parameter is empty", "Key Conversion Error: Cannot save key!",
    // CRC table error, "Private Key file passphrase cannot be empty",
    // "Encryption Error", file errors. The file is written through a temporary
    // and is readable by its owner only (0600).
    bool SaveToFile(const std::string& fileName, bool replace = true) const; // as TPublicKey's
    // Needs Passphrase. Errors in this order: file errors ("File too large" above
    // kMaxKeyFileBytes), "The Key encryption passphrase cannot be empty!",
    // "RSA Key decryption Error. Corrupted key file!",
    // "Key file Corrupted, operation aborted", "Public RSA Key Loading Error".
    void LoadFromFile(const std::string& fileName);

    // The plain key file body, CRC line included (the first steps of SaveToFile,
    // with their errors).
    SecureString KeyFileBody() const;

private:
    std::shared_ptr<const RsaCrtKey> crt_;
};

} // namespace zerath
