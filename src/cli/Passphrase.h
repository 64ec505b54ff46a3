#pragma once
#include <string>

#include "common/Secure.h"

namespace zerath::cli {

// Reads a passphrase from a file or standard input ("-"); one trailing LF or
// CR LF is removed.
SecureString readPassphrase(const std::string& source);

} // namespace zerath::cli
