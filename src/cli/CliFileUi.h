#pragma once
#include <string>

#include "CliArgs.h"
#include "common/Secure.h"
#include "filecrypt/BatchCommands.h"
#include "shredder/Shredder.h"

namespace zerath::cli {

// Answers the file commands' questions from the command line: --wipe, --force
// and a passphrase read beforehand. A refused overwrite keeps the question's text.
class CliFileUi : public FileCommandUi {
public:
    CliFileUi(bool force, bool wipe, SecureString passphrase);
    Answer askWipeOriginal(const std::string&) override;
    bool confirmOverwrite(const std::string& text) override;
    bool askPassphrase(SecureString& out) override;
    const std::string& refused() const { return refused_; }

private:
    bool force_;
    bool wipe_;
    SecureString passphrase_;
    std::string refused_;
};

// Wiping without a progress display.
class NoProgress : public WipeProgress {
public:
    void setMax(int) override {}
    void setPosition(int) override {}
};

// The flags that let a command take folders.
inline const std::set<std::string> kRecursiveFlags{"-r", "--recursive"};

// The files the positional arguments name: with -r/--recursive a folder gives
// the files beneath it; without, a folder is a usage error naming it.
FileSelection selectFiles(const CliArgs& a, const std::string& home, bool decrypt, bool wipe);

// Prints each output path on standard output and each failure or refusal on
// standard error, after its file's name when there are several files, then each
// file left out with its reason. Exit 1 when any file was not done.
int batchOutcome(const BatchResult& r);

} // namespace zerath::cli
