#pragma once
#include "common/Secure.h"

namespace zerath::cli {

// Shows prompt on standard error and reads one line from the terminal on
// standard input with echo off; the line break is not part of the answer.
// A signal that ends the program meanwhile turns echo back on first. A stop
// (Ctrl-Z, or a background job's read or write) gives the terminal back as it
// was before the program stops; once it continues, echo goes off again, the
// prompt is shown again and the line is asked anew.
SecureString askOnTerminal(const char* prompt);

} // namespace zerath::cli
