#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The one way windows show message boxes and ask for input. Tests switch it to
// scripted mode, queue the answers and read back what was shown.
class Messages {
public:
    enum class Kind { Error, Warning, Information, Confirmation, Plain };
    // YesNoAll: Yes, No, Yes to All and No to All (questions asked per file of a batch).
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoAll };
    enum class Answer { None, Ok, Cancel, Yes, No, YesToAll, NoToAll };

    // Modal box titled "Zerath" with the icon of its kind (Plain: none). A "\r"
    // (alone or before "\n") in the text is a line break. Closing the box
    // without a button gives Cancel (or No for YesNo).
    static Answer show(Kind kind, const QString& text, Buttons buttons = Buttons::Ok);
    static Answer show(QWidget* parent, Kind kind, const QString& text, Buttons buttons = Buttons::Ok);

    // Single-line entry with caption and prompt; `masked` hides what is typed
    // (passphrases). On OK returns true and stores the text in *out; the caller
    // wipes it when it holds a secret.
    static bool askText(const QString& title, const QString& prompt, bool masked, QString* out,
                        const QString& initial = QString());

    // File dialogs. The filter may be in either form, "All Files (*.*)|*.*" or
    // "All Files (*.*)". An empty result means the user cancelled. The save
    // dialog asks before overwriting an existing file.
    static QString openFileName(const QString& title, const QString& filter,
                                const QString& defaultSuffix = QString(),
                                const QString& proposedName = QString());
    static QString saveFileName(const QString& title, const QString& filter,
                                const QString& defaultSuffix = QString(),
                                const QString& proposedName = QString());
    // An open dialog that accepts several files; empty when cancelled.
    static QStringList openFileNames(const QString& title, const QString& filter);
    // A dialog that picks one folder; empty when cancelled. Scripted answers
    // come from the file-name queue.
    static QString openFolder(const QString& title);
    // A short list to pick one entry from; the index, or -1 when cancelled.
    static int chooseItem(const QString& title, const QString& prompt, const QStringList& items);
    // The folder the next file dialog opens in (empty: the dialog's own choice);
    // after that, each dialog opens in the folder of the last file chosen.
    static void setStartFolder(const QString& folder);

    // ---- scripted mode (tests) ----
    struct Shown {
        Kind kind;
        QString text;
        Buttons buttons;
    };
    struct Asked { // a text prompt, a file dialog or a choice list
        enum class What { Text, OpenFile, SaveFile, Choice } what;
        QString title;
        QString prompt; // prompt, or the file filter
        QString proposed; // initial text, or the proposed file name
    };

    // In scripted mode no dialog is shown: answers come from the queues. A call
    // with nothing queued is reported to the unanswered handler and answered
    // with Cancel / false / an empty name.
    static void setScripted(bool on);
    static bool isScripted();
    static void setUnansweredHandler(std::function<void(const QString& what)> handler);

    static void setNextAnswer(Answer answer);
    static void setNextText(const QString& text); // askText returns true with it
    static void setNextTextCancel();              // askText returns false
    static void setNextFileName(const QString& name); // empty = the dialog is cancelled
    static void setNextFileNames(const QStringList& names);
    static void setNextChoice(int index);              // -1 = cancelled

    static const QList<Shown>& shown();  // every box shown, oldest first
    static Shown lastShown();            // kind Plain, empty text when none
    static const QList<Asked>& asked();
    static int pendingAnswers();         // answers + texts + file names still queued
    static void reset();                 // clears queues and records (not the mode)

    // Text as the box shows it ("\r" and "\r\n" become "\n").
    static QString displayText(const QString& text);
    // "Name (*.x)|*.x|Other (*.*)|*.*" -> "Name (*.x);;Other (*.*)".
    static QString qtFilter(const QString& filter);
};
