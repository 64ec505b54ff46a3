#include "CliKeys.h"

#include "common/Error.h"
#include "common/FileIO.h"
#include "filecrypt/FileCommands.h"

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

SavePathPrompt exportTo(const std::string& file, bool force)
{
    return [file, force](std::string& path) {
        if (!force && fileExists(file)) throw UserMessage(UserMessage::WarningBox, overwriteQuestion(file));
        path = file;
        return true;
    };
}

} // namespace zerath::cli
