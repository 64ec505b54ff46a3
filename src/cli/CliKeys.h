#pragma once
#include <functional>
#include <string>

#include "CliArgs.h"

#include "keyring/KeyManager.h"
#include "KeyArgument.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {

// Moves the key ring to KEYID, or throws "The key KEYID is not in the key ring.".
void selectKey(KeyRing& ring, const std::string& keyId);

// The key manager's table, on a key ring created empty when missing.
void openKeyManager(KeyManager& manager);

// The key manager's table opened and moved to the key the argument names
// (resolveKeyArgument).
void openAtKey(KeyManager& manager, const std::string& argument, KeyArgumentUse use);

// An export's file choice: FILE, refused when it exists unless force, with the
// overwrite question's text (exit 1).
SavePathPrompt exportTo(const std::string& file, bool force);

// An export's output: FILE after KEYID, or -o FILE; "-" is standard output.
std::string exportTarget(const CliArgs& args);

// Runs an export to target. Standard output is fed from an owner-only
// temporary file, cleared and removed afterwards.
void exportInto(const std::string& target, bool force, const std::function<void(const SavePathPrompt&)>& run);

} // namespace zerath::cli
