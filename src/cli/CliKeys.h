#pragma once
#include <string>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

namespace zerath::cli {

// Moves the key ring to KEYID, or throws "The key KEYID is not in the key ring.".
void selectKey(KeyRing& ring, const std::string& keyId);

// The key manager's table, on a key ring created empty when missing.
void openKeyManager(KeyManager& manager);

// The key manager's table opened and moved to KEYID.
void openAtKey(KeyManager& manager, const std::string& keyId);

} // namespace zerath::cli
