#pragma once
#include <string>

#include "Progress.h"
#include "CliArgs.h"
#include "common/Secure.h"
#include "filecrypt/BatchCommands.h"
#include "shredder/Shredder.h"

namespace zerath::cli {

// Answers the file commands' questions from the command line: --wipe, --force
// and a passphrase read beforehand. A refused overwrite keeps the question's text.
class CliFileUi : public FileCommandUi {
public:
    // quiet (--quiet): no progress line and no output paths.
    CliFileUi(bool force, bool wipe, SecureString passphrase, bool quiet);
    Answer askWipeOriginal(const std::string&) override;
    bool confirmOverwrite(const std::string& text) override;
    bool askPassphrase(SecureString& out) override;
    void setBatchProgress(const BatchProgress& p) override { progress_.show(p.name, p.share, p.bytesPerSecond, p.secondsLeft); }
    const std::string& refused() const { return refused_; }

private:
    bool force_;
    bool wipe_;
    SecureString passphrase_;
    std::string refused_;
    ProgressLine progress_;
};

// Wiping without a progress display.
class NoProgress : public WipeProgress {
public:
    void setMax(int) override {}
    void setPosition(int) override {}
};

// The files the positional arguments name: with -r/--recursive a folder gives
// the files beneath it; without, a folder is a usage error naming it.
FileSelection selectFiles(const CliArgs& a, const std::string& home, bool decrypt, bool wipe);

// Prints each output path on standard output and each failure or refusal on
// standard error ("zerath-cli: FILE: MESSAGE: REASON"), then each file left out
// with its reason; no paths when quiet. Exit 1 when any file was not done.
int batchOutcome(const BatchResult& r, bool quiet);

} // namespace zerath::cli
