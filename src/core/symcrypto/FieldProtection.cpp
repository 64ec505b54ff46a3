#include "symcrypto/FieldProtection.h"

#include "symcrypto/Rijndael.h"
#include "symcrypto/Sha256.h"

namespace zerath {

std::string_view FixedProtectionPassphrase()
{
    static constexpr char kText[] = "#,,<>:&?~^+=;,$Qr-P*Ku)!,%b#+/|~Yz7 \r\n";
    static_assert(sizeof(kText) - 1 == 38, "the fixed protection passphrase has 38 characters");
    return std::string_view(kText, sizeof(kText) - 1);
}

namespace {

// Enciphers or deciphers with a cipher object of its own, wiped before it goes.
template <class Text>
bool transform(Text& text, std::string_view passphrase, bool encipher)
{
    std::string result;
    try {
        TDCP_rijndael cipher;
        cipher.SetKeyFromPassphrase<TDCP_sha256>(passphrase);
        result = encipher ? cipher.EncryptText(std::string_view(text.data(), text.size()))
                          : cipher.DecryptText(std::string_view(text.data(), text.size()));
        cipher.Wipe();
    } catch (...) {
        wipeString(result);
        throw Error("AES Encryption Error");
    }
    text.assign(result.data(), result.size());
    wipeString(result);
    return true;
}

} // namespace

bool EncryptDecryptStr(std::string& text, std::string_view passphrase, bool encipher)
{
    return transform(text, passphrase, encipher);
}

bool EncryptDecryptStr(SecureString& text, std::string_view passphrase, bool encipher)
{
    return transform(text, passphrase, encipher);
}

std::string ProtectField(std::string_view clear, std::string_view passphrase)
{
    SecureString text(clear); // the clear text may be a private exponent
    EncryptDecryptStr(text, passphrase, true);
    return std::string(text.view());
}

SecureString UnprotectField(std::string_view stored, std::string_view passphrase)
{
    SecureString text(stored);
    EncryptDecryptStr(text, passphrase, false);
    return text;
}

} // namespace zerath
