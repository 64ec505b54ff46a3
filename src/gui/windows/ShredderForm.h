#pragma once
// The file shredder window: browse to a folder, gather files of it into the
// shred list and wipe them all with the program's wiping routine.
#include <QListWidget>
#include <QString>
#include <QStringList>

#include "shredder/Shredder.h"
#include "widgets/SkinnedWindow.h"

class AppContext;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TALProgressBar;
class TALStatusBar;
class TFileListBox;
class TFolderTree;

// The shred list: names of files in the shredder's current folder, each once,
// bold on a pale rose ground in 16-pixel rows. It takes drops only from its
// file list, and then adds that list's current selection.
class TShredList : public QListWidget {
    Q_OBJECT
public:
    explicit TShredList(TFileListBox* source, QWidget* parent = nullptr);

    QStringList names() const;
    // Appends the names it does not hold yet (exact comparison); how many were added.
    int addNames(const QStringList& names);
    // Whether a drag or drop event comes from the file list.
    bool acceptsDrag(const QDropEvent* event) const;

    // Qt names a drag's source only while a drag of this process is under
    // way; platforms without drag and drop (the tests' offscreen one) never
    // run one. A test names the source of the drag events it sends here;
    // nullptr (the default) goes back to asking the event.
    static void setSimulatedDragSource(QObject* source);

signals:
    // A drop from the file list arrived.
    void dropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TFileListBox* m_source;
    static QObject* s_simulatedSource;
};

class TShredderForm;
TShredderForm* installShredderWindow(AppContext& context, QWidget* owner);

class TShredderForm : public SkinnedWindow {
    Q_OBJECT
public:
    // Uses the program's wiping routine and points its progress at this
    // window's bar for as long as the window exists. The folder tree has its
    // default roots (the home folder selected) unless treeRoots names others.
    explicit TShredderForm(AppContext& context, const QStringList& treeRoots = {}, QWidget* parent = nullptr);
    ~TShredderForm() override;

    // The folder the file list shows and the shred list's names live in.
    QString currentFolder() const;
    QStringList shredNames() const { return ListBox1->names(); }
    // Whether a run is going on (events are processed between passes).
    bool isShredding() const { return m_running; }

    // Centred over `over` and modal until closed.
    int execOver(QWidget* over);

    // The handlers, as the controls call them.
    void ApplyFolder();
    void FileListSelectionChanged();
    void AddSelectionToShredList();
    void SelectallbtnClick();
    void refreshbtnClick();
    void wipebtnClick();
    void clearbtnClick();
    void ListBox1DblClick(int row);
    void removeSelectedFromShredList();
    void ExtFilterChange();

    // The controls.
    QLabel* Label9 = nullptr;       // "File Shredder"
    QLabel* Label5 = nullptr;
    TFolderTree* FolderTree1 = nullptr;
    QLabel* Label6 = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    QLabel* Label7 = nullptr;
    TShredList* ListBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* ExtFilter = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label1 = nullptr;       // shred list count
    QLabel* Label3 = nullptr;
    QLabel* filesizelabel = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* NoSelectedFiles = nullptr;
    QPushButton* Selectallbtn = nullptr;
    QPushButton* refreshbtn = nullptr;
    QPushButton* wipebtn = nullptr;
    QPushButton* clearbtn = nullptr;
    QPushButton* closebtn = nullptr;
    QFrame* StatusPanel = nullptr;
    TALStatusBar* Status = nullptr;
    TALProgressBar* Prog = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class BarProgress : public zerath::WipeProgress {
    public:
        explicit BarProgress(TShredderForm& form) : m_form(form) {}
        void setMax(int max) override;
        void setPosition(int position) override;

    private:
        TShredderForm& m_form;
    };

    void buildControls(const QStringList& treeRoots);
    void showListMenu(QListWidget* list, QPoint at);
    void updateShredCount();
    void setRunning(bool running);

    friend TShredderForm* installShredderWindow(AppContext& context, QWidget* owner);

    AppContext& m_context;
    BarProgress m_progress{*this};
    bool m_stopRequested = false;
    bool m_running = false;
    bool m_folderPending = false; // the tree's selection changed during a run
    bool m_treeBound = false;     // the tree's changes reach ApplyFolder once shown
    bool m_installed = false;     // context.showShredder shows this window
};

// Creates the program's shredder window once, as a window of `owner` (the
// main window, which then owns it), points the shared wiping routine's
// progress at its bar and sets context.showShredder to show it modally,
// centred over the window it is given. The window clears the hook again
// when it is destroyed.
TShredderForm* installShredderWindow(AppContext& context, QWidget* owner = nullptr);
