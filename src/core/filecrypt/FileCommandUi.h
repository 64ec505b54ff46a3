#pragma once
// What a front end supplies while an encryption or decryption runs: answers to
// the command's questions, the progress window's three lines, the status bar
// panels and a message pump. Every member has a quiet default, so a front end
// overrides only what it shows.
#include <string>

#include "common/Hooks.h"
#include "common/Secure.h"

namespace zerath {

class FileCommandUi {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~FileCommandUi() = default;

    // "You have selected to remove the original file permenently" CR
    // "Remove after successful encryption?" with Yes, No and Cancel.
    virtual Answer askWipeOriginal(const std::string& text) { (void)text; return Answer::No; }
    // "Output file "<name>" already exists. Overwrite?" with OK and Cancel.
    virtual bool confirmOverwrite(const std::string& text) { (void)text; return false; }
    // The masked "Private Key Passphrase" prompt; false when cancelled.
    virtual bool askPassphrase(SecureString& passphrase) { (void)passphrase; return false; }

    virtual void setBusy(bool busy) { (void)busy; }
    virtual void showProgress(bool visible) { (void)visible; }
    // The three progress lines; bold is the index (0..2) of the current one.
    virtual void setProgressLines(const std::string& l1, const std::string& l2, const std::string& l3, int bold)
    {
        (void)l1; (void)l2; (void)l3; (void)bold;
    }
    // Only the first line changes; it becomes the bold one.
    virtual void setProgressFirstLine(const std::string& l1) { (void)l1; }
    // Share of the input processed, 0..1.
    virtual void setProgressFraction(double fraction) { (void)fraction; }
    virtual void setStatusPanel(int panel, const std::string& text) { (void)panel; (void)text; }
    // The cipher list shows this entry from now on.
    virtual void selectCipher(int index) { (void)index; }

    virtual MessagePump& pump() { return nullPump(); }
};

} // namespace zerath
