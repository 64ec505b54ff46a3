#include "filecrypt/KeyMatch.h"

#include "common/InputFile.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyRing.h"

namespace zerath {

std::optional<std::uint32_t> StoredKeyCheckValue(const KeyRecord& stored)
{
    const std::optional<ClearPublicNumbers> clear = RecordPublicNumbers(stored);
    if (!clear) return std::nullopt;
    return KeyCheckValue(clear->exponentE, clear->modulusN);
}

std::optional<std::uint32_t> FileKeyCheckValue(const std::string& encryptedPath)
{
    try {
        InputFile in(encryptedPath);
        std::uint8_t head[5];
        if (in.read(head, sizeof head) != sizeof head) return std::nullopt;
        return std::uint32_t(head[1]) << 24 | std::uint32_t(head[2]) << 16 | std::uint32_t(head[3]) << 8 |
               std::uint32_t(head[4]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<KeyRecord> KeysMatching(const KeyRing& ring, std::uint32_t check, bool pairsOnly)
{
    std::vector<KeyRecord> found;
    if (!ring.Active()) return found;
    for (const KeyRecord& r : ring.Rows()) {
        if (pairsOnly && r.Type != kKeyTypePair) continue;
        if (StoredKeyCheckValue(r) == check) found.push_back(r);
    }
    return found;
}

KeyChoice choiceOf(const KeyRecord& record)
{
    return {record.KeyID, record.UserID};
}

std::string passphrasePrompt(const KeyChoice& key)
{
    return "Passphrase for " + key.userId + " (" + key.keyId + "):";
}

} // namespace zerath
