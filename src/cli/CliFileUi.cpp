#include "CliFileUi.h"

#include "TerminalText.h"

#include <iostream>

namespace zerath::cli {

CliFileUi::CliFileUi(bool force, bool wipe, SecureString passphrase, bool quiet)
    : force_(force), wipe_(wipe), passphrase_(std::move(passphrase)), quiet_(quiet), progress_(quiet)
{
}

FileCommandUi::Answer CliFileUi::askWipeOriginal(const std::string&) { return wipe_ ? Answer::Yes : Answer::No; }

bool CliFileUi::confirmOverwrite(const std::string& text)
{
    if (!force_) refused_ = text;
    return force_;
}

bool CliFileUi::askPassphrase(SecureString& out)
{
    out = passphrase_;
    return true;
}

int batchOutcome(const BatchResult& r, bool quiet)
{
    for (const BatchFileResult& f : r.files) {
        if (f.outcome == BatchFileResult::Outcome::Done) {
            if (!quiet) std::cout << f.outputPath << "\n";
            continue;
        }
        std::cerr << "zerath-cli: " << failureText(f.path, f.message, f.osError) << "\n";
    }
    return r.failures() == 0 && !r.cancelled ? 0 : 1;
}

} // namespace zerath::cli
