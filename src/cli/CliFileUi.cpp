#include "CliFileUi.h"

#include "TerminalText.h"

#include <iostream>

namespace zerath::cli {

CliFileUi::CliFileUi(bool force, bool wipe, SecureString passphrase)
    : force_(force), wipe_(wipe), passphrase_(std::move(passphrase))
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

int batchOutcome(const BatchResult& r)
{
    for (const BatchFileResult& f : r.files) {
        if (f.outcome == BatchFileResult::Outcome::Done) {
            std::cout << f.outputPath << "\n";
            continue;
        }
        if (r.files.size() > 1) std::cerr << f.path << ": ";
        std::cerr << terminalText(f.message) << "\n";
    }
    return r.failures() == 0 && !r.cancelled ? 0 : 1;
}

} // namespace zerath::cli
