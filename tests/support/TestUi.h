#pragma once
// Doubles for what a front end supplies: a message pump that counts its calls
// (and runs a hook, to look at the disk while a command is under way) and a
// file-command interface that answers as told and records what it was shown.
#include <functional>
#include <string>
#include <vector>

#include "KeyRingFixture.h"
#include "filecrypt/FileCommandUi.h"

namespace zerath::test {

struct CountingPump : MessagePump {
    int calls = 0;
    std::function<void()> hook;
    void processEvents() override
    {
        ++calls;
        if (hook) hook();
    }
};

class ScriptedUi : public FileCommandUi {
public:
    Answer wipeAnswer = Answer::No;
    bool overwrite = true;
    bool givePassphrase = true;
    std::string passphrase = kAlicePassphrase;

    std::vector<std::string> questions; // the texts asked, "passphrase" for the prompt
    std::vector<std::string> lines;     // "l1|l2|l3|bold" of each progress triple
    int selectedCipher = -1;
    int shows = 0, hides = 0;
    bool busy = false;
    CountingPump counter;

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
        lines.push_back(a + "|" + b + "|" + c + "|" + std::to_string(bold));
    }
    void selectCipher(int index) override { selectedCipher = index; }
    MessagePump& pump() override { return counter; }
};

} // namespace zerath::test
