#include "CliKeys.h"

#include "common/Error.h"

namespace zerath::cli {

void selectKey(KeyRing& ring, const std::string& keyId)
{
    if (!ring.Active() || !ring.SearchDB("KeyID", keyId))
        throw UserMessage(UserMessage::ErrorBox, "The key " + keyId + " is not in the key ring.");
}

void openKeyManager(KeyManager& manager) { manager.Ring().DBOpen(KeyRing::MissingFile::Create); }

void openAtKey(KeyManager& manager, const std::string& keyId)
{
    manager.Open();
    selectKey(manager.Ring(), keyId);
}

} // namespace zerath::cli
