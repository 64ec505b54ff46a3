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

void openAtKey(KeyManager& manager, const std::string& argument, KeyArgumentUse use)
{
    manager.Open();
    selectKey(manager.Ring(), resolveKeyArgument(manager.Ring(), argument, use).KeyID);
}

std::string keyIdOf(const std::string& home, const std::string& argument, KeyArgumentUse use)
{
    KeyRing ring(home);
    ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    return resolveKeyArgument(ring, argument, use).KeyID;
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
