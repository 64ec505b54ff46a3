#include "CliFileUi.h"

#include "TerminalText.h"

#include <iostream>

namespace zerath::cli {

CliFileUi::CliFileUi(bool force, bool wipe, SecureString passphrase, bool quiet)
    : force_(force), wipe_(wipe), passphrase_(std::move(passphrase)), progress_(quiet)
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

FileSelection selectFiles(const CliArgs& a, const std::string& home, bool decrypt, bool wipe)
{
    if (!a.has("--recursive"))
        for (const std::string& p : a.positional())
            if (isFolder(p)) throw UsageError{p + " is a folder; add -r to take the files beneath it"};
    return SelectFiles(a.positional(), WalkOptions{decrypt, wipe, home});
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
    for (const SkippedFile& s : r.skipped) std::cerr << s.path << ": skipped: " << s.reason << "\n";
    for (const BatchFileResult& f : r.folders)
        std::cerr << "zerath-cli: " << failureText(f.path, f.message, f.osError) << "\n";
    return r.failures() == 0 && !r.cancelled ? 0 : 1;
}

} // namespace zerath::cli
