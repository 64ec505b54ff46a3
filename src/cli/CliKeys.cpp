#include "CliKeys.h"

#include <unistd.h>

#include <cstdlib>

#include "StreamIo.h"
#include "common/Error.h"
#include "common/FileIO.h"
#include "common/Temporaries.h"
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

SavePathPrompt exportTo(const std::string& file, bool force)
{
    return [file, force](std::string& path) {
        if (!force && fileExists(file)) throw UserMessage(UserMessage::WarningBox, overwriteQuestion(file));
        path = file;
        return true;
    };
}

std::string exportTarget(const CliArgs& args)
{
    args.expectPositional(1, args.has("--output") ? 1 : 2);
    if (args.has("--output")) return args.value("--output");
    if (args.positional().size() < 2) throw UsageError{"missing argument FILE (or -o FILE)"};
    return args.positional()[1];
}

void exportInto(const std::string& target, bool force, const std::function<void(const SavePathPrompt&)>& run)
{
    if (!isStandardStream(target)) {
        run(exportTo(target, force));
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/zerath-export-XXXXXX";
    if (!::mkdtemp(dir.data())) throwFileError(errno);
    const std::string file = dir + "/key.akf";
    struct Cleanup {
        const std::string& dir;
        const std::string& file;
        ~Cleanup()
        {
            try {
                overwriteWithZeros(OutputFile::openExisting(file).fd());
            } catch (...) {
            }
            removeFile(file);
            ::rmdir(dir.c_str());
        }
    } cleanup{dir, file};
    run(exportTo(file, true));
    const SecureString text(readWholeFile(file));
    StandardOutput().write(text.data(), text.size());
}

} // namespace zerath::cli
