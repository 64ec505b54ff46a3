#include "CliFileUi.h"

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

int fileCommandOutcome(const FileCommandResult& r, const CliFileUi& ui)
{
    if (!r.done) {
        std::cerr << ui.refused() << "\n";
        return 1;
    }
    std::cout << r.outputPath << "\n";
    return 0;
}

} // namespace zerath::cli
