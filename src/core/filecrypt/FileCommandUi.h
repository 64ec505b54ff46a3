#pragma once
// What a front end supplies while an encryption or decryption runs: answers to
// the command's questions, the progress window's three lines, the status bar
// panels and a message pump. Every member has a quiet default, so a front end
// overrides only what it shows.
#include <string>
#include <vector>

#include "common/Hooks.h"
#include "common/Secure.h"

namespace zerath {

// An own key pair that can open a file, offered when several can.
struct KeyChoice {
    std::string keyId;
    std::string userId;
};

// Where a batch stands: file `index` (1-based) of `count`, the share of all
// bytes done, the throughput so far and the time left at that rate.
struct BatchProgress {
    int index = 0;
    int count = 0;
    std::string name; // without its folder
    double share = 0;
    double bytesPerSecond = 0;
    double secondsLeft = 0;
};

class FileCommandUi {
public:
    // YesToAll and NoToAll come only from the overwrite question of a batch.
    enum class Answer { Yes, No, Cancel, YesToAll, NoToAll };

    virtual ~FileCommandUi() = default;

    // "You have selected to remove the original file permenently" CR
    // "Remove after successful encryption?" with Yes, No and Cancel.
    virtual Answer askWipeOriginal(const std::string& text) { (void)text; return Answer::No; }
    // "Output file "<name>" already exists. Overwrite?" with OK and Cancel.
    virtual bool confirmOverwrite(const std::string& text) { (void)text; return false; }
    // The same question in a batch: Yes, No, YesToAll or NoToAll.
    virtual Answer askOverwriteInBatch(const std::string& text)
    {
        return confirmOverwrite(text) ? Answer::Yes : Answer::No;
    }
    // The masked "Private Key Passphrase" prompt; false when cancelled.
    virtual bool askPassphrase(SecureString& passphrase) { (void)passphrase; return false; }
    // The same prompt naming the key pair: "Passphrase for OWNER (KEYID):".
    virtual bool askPassphraseFor(const std::string& keyId, const std::string& prompt, SecureString& passphrase)
    {
        (void)keyId; (void)prompt;
        return askPassphrase(passphrase);
    }
    // The passphrase of keyId has proved right.
    virtual void passphraseAccepted(const std::string& keyId, const SecureString& passphrase)
    {
        (void)keyId; (void)passphrase;
    }
    // Several own key pairs carry the file's check value: the index of the one
    // to use, or -1 to stop.
    virtual int chooseKeyPair(const std::vector<KeyChoice>& choices) { (void)choices; return -1; }
    // Decryption uses this key pair, which is not the one selected.
    virtual void keyPairFound(const KeyChoice& key) { (void)key; }

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
    virtual void setBatchProgress(const BatchProgress& progress) { (void)progress; }
    virtual void setStatusPanel(int panel, const std::string& text) { (void)panel; (void)text; }
    // The cipher list shows this entry from now on.
    virtual void selectCipher(int index) { (void)index; }

    virtual MessagePump& pump() { return nullPump(); }
    // Asked after each piece of work (at most 1 MiB) once events are processed:
    // true stops the command, which removes its unfinished output.
    virtual bool cancelRequested() { return false; }
};

} // namespace zerath
