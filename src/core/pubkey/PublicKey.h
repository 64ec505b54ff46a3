#pragma once
// TPublicKey: an RSA public key (modulus and public exponent) with its owner,
// creation date and time, fingerprint and key id; the raw public operation on
// hexadecimal text and the public key file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Secure.h"
#include "pubkey/BigInt.h"
#include "pubkey/KeyIdentity.h"

namespace zerath {

class TPublicKey : public TKeyIdentity {
public:
    TPublicKey() = default;
    // Takes the two numbers (either may be absent); the text fields start empty.
    TPublicKey(std::optional<TBigint> exponent, std::optional<TBigint> modulus);

    std::optional<TBigint> Exponent;
    std::optional<TBigint> Modulus;

    // m^e mod n on base-16 text, no padding, m not checked against n.
    // Any failure: "RSA Encryption Error".
    std::string Encrypt(std::string_view hex) const;

    // Errors in this order: "The Key Owner cannot be empty.", "Key parameters are
    // empty", "Key Conversion Error: Cannot save key!", CRC table error,
    // "Key file passphrase cannot be empty", "Encryption Error", file errors.
    // The file is written through a temporary and gets mode 0666 less the umask.
    // replace = false never replaces a file of that name: the answer is then false.
    bool SaveToFile(const std::string& fileName, bool replace = true) const;
    // Needs Passphrase. Errors in this order: file errors ("File too large" above
    // kMaxKeyFileBytes), "The Key encryption passphrase cannot be empty!",
    // "RSA Key decryption Error. Corrupted key file!",
    // "Key file Corrupted, operation aborted", "Public RSA Key Loading Error".
    void LoadFromFile(const std::string& fileName);

    // The plain key file body, CRC line included (the first steps of SaveToFile,
    // with their errors).
    std::string KeyFileBody() const;
};

} // namespace zerath
