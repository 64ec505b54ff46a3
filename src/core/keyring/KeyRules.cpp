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

} // namespace

void CheckNewKeyPair(std::string_view owner, std::string_view passphrase)
{
    CheckNewKeyOwner(owner);
    if (owner.size() < kMinKeyOwnerLength) refuse(keyrule::OwnerTooShort);
    if (passphrase.size() < kMinNewPassphraseLength) refuse(keyrule::PassphraseTooShort);
    CheckNewPassphraseLength(passphrase);
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
    CheckKeyDate(clear.Date);
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
