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
    void processEvents() override { ++calls, hook ? hook() : void(); }
};

class ScriptedUi : public FileCommandUi {
public:
    Answer wipeAnswer = Answer::No;
    bool overwrite = true;
    bool givePassphrase = true;
    std::string passphrase = kAlicePassphrase;

    std::vector<std::string> questions; // the texts asked, "passphrase" for the prompt
    int selectedCipher = -1;
    int shows = 0, hides = 0;
    bool busy = false;
    CountingPump counter;

    Answer askWipeOriginal(const std::string& text) override { return questions.push_back(text), wipeAnswer; }
    bool confirmOverwrite(const std::string& text) override { return questions.push_back(text), overwrite; }
    bool askPassphrase(SecureString& out) override
    {
        questions.push_back("passphrase");
        return givePassphrase && (out = SecureString(passphrase), true);
    }
    void setBusy(bool b) override { busy = b; }
    void showProgress(bool visible) override { visible ? ++shows : ++hides; }
    void setProgressLines(const std::string&, const std::string&, const std::string&, int) override {}
    void selectCipher(int index) override { selectedCipher = index; }
    MessagePump& pump() override { return counter; }
};

} // namespace zerath::test
