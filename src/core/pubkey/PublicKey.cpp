#include "pubkey/PublicKey.h"

#include "common/Error.h"
#include "common/FileIO.h"
#include "pubkey/KeyFile.h"

namespace zerath {

TPublicKey::TPublicKey(std::optional<TBigint> exponent, std::optional<TBigint> modulus)
    : Exponent(std::move(exponent)), Modulus(std::move(modulus))
{
}

std::string TPublicKey::Encrypt(std::string_view hex) const
{
    try {
        if (!Exponent || !Modulus) throw Error("no key");
        TBigint m = TBigint::CreateFromKeyText(hex);
        m.PowMod(*Exponent, *Modulus);
        return m.ToString(16);
    } catch (...) {
        throw Error("RSA Encryption Error");
    }
}

std::string TPublicKey::KeyFileBody() const
{
    if (KeyOwner.empty()) throw Error("The Key Owner cannot be empty.");
    if (!Exponent || !Modulus) throw Error("Key parameters are empty");
    std::string n, e;
    try {
        n = Modulus->ToString(16);
        e = Exponent->ToString(16);
    } catch (...) {
        throw Error("Key Conversion Error: Cannot save key!");
    }
    std::string body;
    body.append("[PublicKey]\r\n");
    body.append("KeyOwner=").append(KeyOwner).append("\r\n");
    body.append("Modulus=").append(n).append("\r\n");
    body.append("Exponent=").append(e).append("\r\n");
    body.append("CDate=").append(KeyCreationDate).append("\r\n");
    body.append("CTime=").append(KeyCreationTime).append("\r\n");
    body.append(KeyCRCText(body)).append("\r\n");
    return body;
}

void TPublicKey::SaveToFile(const std::string& fileName) const
{
    const std::string body = KeyFileBody();
    if (Passphrase.empty()) throw Error("Key file passphrase cannot be empty");
    const std::string armour = SealKeyBody(body, Passphrase.view());
    WriteKeyFile(fileName, kPublicKeyBeginMarker, kPublicKeyEndMarker, armour, kDefaultMode);
}

void TPublicKey::LoadFromFile(const std::string& fileName)
{
    const std::string armoured = ReadKeyFileArmour(fileName);
    if (Passphrase.empty()) throw Error("The Key encryption passphrase cannot be empty!");
    SecureString plain = OpenKeyBody(armoured, Passphrase.view());
    zerath::CheckKeyCRC(plain);

    const KeyIniText ini(plain.view());
    const SecureString n = ini.Read("PublicKey", "Modulus");
    const SecureString e = ini.Read("PublicKey", "Exponent");
    const SecureString owner = ini.Read("PublicKey", "KeyOwner");
    const SecureString date = ini.Read("PublicKey", "CDate");
    const SecureString time = ini.Read("PublicKey", "CTime");

    SecureString printed;
    printed.append(n).append(e).append(date).append(time);
    FingerPrint = zerath::CalcFingerPrint(printed.view());
    KeyID = zerath::CalcKeyID(FingerPrint);

    try {
        TBigint modulus = TBigint::CreateFromKeyText(n.view());
        TBigint exponent = TBigint::CreateFromKeyText(e.view());
        Modulus = std::move(modulus);
        Exponent = std::move(exponent);
        KeyOwner = std::string(owner.view());
        KeyCreationDate = std::string(date.view());
        KeyCreationTime = std::string(time.view());
    } catch (...) {
        throw Error("Public RSA Key Loading Error");
    }
}

} // namespace zerath
