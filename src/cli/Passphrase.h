#pragma once
#include <string>

#include "CliArgs.h"
#include "common/Secure.h"

namespace zerath::cli {

// Reads a passphrase from a file or standard input ("-"); one trailing LF or
// CR LF is removed. A file that cannot be read is an error naming it.
SecureString readPassphrase(const std::string& source);

// Where one passphrase of a command comes from: the file its option names,
// standard input for "-", or the terminal (echo off) when the option is absent
// or "-" while standard input is a terminal. When standard input carries the
// command's data the terminal is the controlling one, and "-" is a usage error.
class PassphraseSource {
public:
    PassphraseSource(const CliArgs& args, const std::string& option, bool dataOnStandardInput = false);
    // False when the option is absent and there is no terminal to ask on.
    bool available() const { return fromTerminal_ || !file_.empty(); }
    bool fromTerminal() const { return fromTerminal_; }
    // Usage error "missing option OPTION" when not available.
    void require() const;
    // One passphrase; prompt is shown on the terminal only.
    SecureString read(const char* prompt) const;

    // A new passphrase and its confirmation: asked twice on a terminal
    // ("New passphrase: ", "Repeat passphrase: "); read once from a file.
    struct NewPassphrase {
        SecureString passphrase;
        SecureString confirmation;
    };
    NewPassphrase readNew() const;

private:
    std::string option_;
    std::string file_;
    bool fromTerminal_ = false;
};

} // namespace zerath::cli
