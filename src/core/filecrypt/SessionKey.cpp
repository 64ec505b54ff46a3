#include "filecrypt/SessionKey.h"

#include "filecrypt/FieldProtection.h"
#include "pubkey/BigInt.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "pubkey/SecretHex.h"
#include "symcrypto/Crc32.h"

namespace zerath {

std::uint32_t KeyCheckValue(std::string_view exponentE, std::string_view modulusN)
{
    SecureString text;
    text.reserve(exponentE.size() + modulusN.size());
    text.append(exponentE.data(), exponentE.size());
    text.append(modulusN.data(), modulusN.size());
    std::uint32_t crc = 0;
    CalcCRC32(text, crc);
    return crc;
}

void EncryptSymKey(const KeyRecord& record, std::string_view sessionKeyText, std::uint32_t& checkValue,
                   std::string& wrappedKey)
{
    const std::string_view fixed = FixedProtectionPassphrase();
    const SecureString n = UnprotectField(record.ModulusN, fixed);
    const SecureString e = UnprotectField(record.ExponentE, fixed);

    std::string wrapped;
    {
        const TPublicKey key(TBigint::CreateFromKeyText(e), TBigint::CreateFromKeyText(n));
        wrapped = key.Encrypt(sessionKeyText);
    }
    checkValue = KeyCheckValue(e, n);
    wrappedKey = std::move(wrapped);
}

void DecryptSymKey(const KeyRecord& record, std::string_view wrappedKey, std::string_view passphrase,
                   std::uint32_t& checkValue, SecureString& sessionKeyText)
{
    const std::string_view fixed = FixedProtectionPassphrase();
    const SecureString n = UnprotectField(record.ModulusN, fixed);
    const SecureString e = UnprotectField(record.ExponentE, fixed);
    const SecureString d = UnprotectField(record.ExponentD, passphrase);
    // A wrapped key is written without leading zeros and is below the modulus,
    // so its text is never longer than the modulus text. A longer one (up to 64 KiB
    // in a crafted header) is refused before any exponentiation.
    if (wrappedKey.size() > n.size()) throw Error("RSA Decryption Error");

    SecureString keyText;
    {
        const TPrivateKey key(TBigint::CreateFromKeyText(e), TBigint::CreateFromKeyText(n),
                              CreateFromSecretHex(d));
        keyText = key.Decrypt(wrappedKey);
    }
    checkValue = KeyCheckValue(e, n);
    sessionKeyText = std::move(keyText);
}

bool CheckPrivatePassphrase(const KeyRecord& record, std::string_view passphrase)
{
    try {
        const std::string_view fixed = FixedProtectionPassphrase();
        const SecureString n = UnprotectField(record.ModulusN, fixed);
        const SecureString e = UnprotectField(record.ExponentE, fixed);
        const SecureString d = UnprotectField(record.ExponentD, passphrase);
        TBigint::CreateFromKeyText(n);
        TBigint::CreateFromKeyText(e);
        CreateFromSecretHex(d);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace zerath
