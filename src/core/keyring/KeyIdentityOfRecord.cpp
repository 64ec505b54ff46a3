#include "keyring/KeyIdentityOfRecord.h"

#include "symcrypto/FieldProtection.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFingerprint.h"

namespace zerath {

std::optional<ClearPublicNumbers> RecordPublicNumbers(const KeyRecord& stored)
{
    try {
        const std::string_view fixed = FixedProtectionPassphrase();
        return ClearPublicNumbers{UnprotectField(stored.ModulusN, fixed), UnprotectField(stored.ExponentE, fixed)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> RecordKeyNumbers(const KeyRecord& stored)
{
    const std::optional<ClearPublicNumbers> clear = RecordPublicNumbers(stored);
    if (!clear) return std::nullopt;
    try {
        return KeyNumbersTextOf(clear->modulusN, clear->exponentE);
    } catch (const std::exception&) { // empty or not numbers: a damaged line
        return std::nullopt;
    }
}

std::string RecordKeyFingerprint(const KeyRecord& stored)
{
    const std::optional<std::string> numbers = RecordKeyNumbers(stored);
    return numbers ? KeyFingerprintOfText(*numbers) : std::string();
}

std::string AlreadyInKeyRing(std::string_view keyId)
{
    return "This key is already in the key ring as " + std::string(keyId) + ".";
}

std::optional<UserMessage> DuplicateKeyRefusal(const KeyRecord& clear, const std::vector<KeyRecord>& records,
                                               std::string* found)
{
    const auto refuse = [&](const KeyRecord& r, std::string text) {
        if (found) *found = r.KeyID;
        return std::optional<UserMessage>(UserMessage(UserMessage::WarningBox, text));
    };
    for (const KeyRecord& r : records)
        if (r.KeyID == clear.KeyID) return refuse(r, keymsg::DuplicateKey(r.KeyID));
    const std::string numbers = KeyNumbersTextOf(clear.ModulusN, clear.ExponentE);
    for (const KeyRecord& r : records)
        if (r.Type == clear.Type && RecordKeyNumbers(r) == numbers) return refuse(r, AlreadyInKeyRing(r.KeyID));
    return std::nullopt;
}

} // namespace zerath
