#pragma once
// A key ring with one generated key pair imported twice: as its public key
// file ("Pub") and as its private key file ("Pub/Priv"). Made once per test
// program; each test gets its own work folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

inline const char* const kPairPassphrase = "correct horse battery";

struct KeyRingWithPair {
    TempDir home;
    std::string publicId;
    std::string privateId;
    std::string publicFile;
    std::string privateFile;
};

// The shared key ring (generated on first use).
KeyRingWithPair& sharedKeyRing();

// Records what a command shows and answers its questions as told.
class RecordingUi : public FileCommandUi {
public:
    Answer wipeAnswer = Answer::No;
    bool overwrite = true;
    bool givePassphrase = true;
    std::string passphrase = kPairPassphrase;

    std::vector<std::string> questions;
    std::vector<std::string> triples; // "l1|l2|l3|bold"
    std::vector<std::string> firstLines;
    std::string panel0, panel1;
    int selectedCipher = -1;
    int shows = 0, hides = 0;
    bool busy = false;
    double lastFraction = -1;

    Answer askWipeOriginal(const std::string& text) override
    {
        questions.push_back(text);
        return wipeAnswer;
    }
    bool confirmOverwrite(const std::string& text) override
    {
        questions.push_back(text);
        return overwrite;
    }
    bool askPassphrase(SecureString& out) override
    {
        questions.push_back("passphrase");
        if (givePassphrase) out = SecureString(passphrase);
        return givePassphrase;
    }
    void setBusy(bool b) override { busy = b; }
    void showProgress(bool visible) override { visible ? ++shows : ++hides; }
    void setProgressLines(const std::string& a, const std::string& b, const std::string& c, int bold) override
    {
        triples.push_back(a + "|" + b + "|" + c + "|" + std::to_string(bold));
    }
    void setProgressFirstLine(const std::string& l) override { firstLines.push_back(l); }
    void setProgressFraction(double f) override { lastFraction = f; }
    void setStatusPanel(int panel, const std::string& text) override { (panel == 0 ? panel0 : panel1) = text; }
    void selectCipher(int index) override { selectedCipher = index; }
};

// A fresh work folder beside the shared key ring, open.
class FileCommandTest : public ::testing::Test {
protected:
    KeyRingWithPair& keys = sharedKeyRing();
    TempDir work;
    KeyRing ring{keys.home.path()};
    RecordingUi ui;

    void SetUp() override { ring.DBOpen(KeyRing::MissingFile::Create); }
};

// Lists the names in a folder, sorted.
std::vector<std::string> folderNames(const std::string& folder);

} // namespace zerath::test
