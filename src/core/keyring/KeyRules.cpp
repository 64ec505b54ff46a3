#include "keyring/KeyRules.h"

#include "common/Error.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyRecord.h"
#include "pubkey/BigInt.h"

namespace zerath {

namespace {

[[noreturn]] void refuse(std::string_view text)
{
    throw Error(std::string(text));
}

bool isControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

} // namespace

void CheckKeyOwnerName(std::string_view owner)
{
    if (owner.find('|') != std::string_view::npos) refuse(keyrule::OwnerDelimiter);
    if (owner.size() > kMaxKeyOwnerLength) refuse(keyrule::OwnerTooLong);
    for (char c : owner)
        if (isControl(c)) refuse(keyrule::OwnerControl);
    // The key ring reads a leading quote as the start of a quoted value, so the
    // owner would come back changed and the record could not be found again.
    if (!owner.empty() && owner.front() == '"') refuse(keyrule::OwnerQuote);
}

void CheckNewKeyPair(std::string_view owner, std::string_view passphrase)
{
    CheckKeyOwnerName(owner);
    if (owner.size() < kMinKeyOwnerLength) refuse(keyrule::OwnerTooShort);
    if (passphrase.size() < kMinNewPassphraseLength) refuse(keyrule::PassphraseTooShort);
}

void CheckKeyNumbers(const TBigint& e, const TBigint& n)
{
    const int bits = n.BitLength();
    if (n.IsNegative() || !n.IsOdd() || bits < kMinModulusBits || bits > kMaxModulusBits) refuse(keyrule::BadModulus);
    if (e.IsNegative() || !e.IsOdd() || e.BitLength() < 2) refuse(keyrule::BadExponent);
}

void CheckNewKeyRecord(const KeyRecord& clear, const KeyRecord& stored)
{
    CheckKeyOwnerName(clear.UserID);
    CheckKeyNumbers(TBigint::CreateFromKeyText(clear.ExponentE), TBigint::CreateFromKeyText(clear.ModulusN));
    for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k)
        if (FieldOf(stored, k).size() > kKeyRecordFields[k].declaredSize) refuse(keyrule::FieldTooLong);
}

void CheckRecipientRecord(const KeyRecord& stored)
{
    try {
        const std::string_view fixed = FixedProtectionPassphrase();
        CheckKeyNumbers(TBigint::CreateFromKeyText(UnprotectField(stored.ExponentE, fixed)),
                        TBigint::CreateFromKeyText(UnprotectField(stored.ModulusN, fixed)));
    } catch (const std::exception&) {
        throw UserMessage(UserMessage::ErrorBox, std::string(keyrule::NotForEncryption));
    }
}

} // namespace zerath
