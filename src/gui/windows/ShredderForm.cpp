#include "windows/ShredderForm.h"
#include "widgets/UiScale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTimer>

#include <exception>
#include <memory>

#include "app/AppContext.h"
#include "app/WindowLook.h"
#include "common/BusyCursor.h"
#include "common/Messages.h"
#include "common/Resources.h"
#include "common/SecretText.h"
#include "common/Screenshots.h"
#include "common/Cancelled.h"
#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"
#include "widgets/FileListBox.h"
#include "widgets/FolderTree.h"
#include "widgets/ReadableColours.h"
#include "windows/ShredderText.h"

namespace {

const QColor kShredListColour(0xFE, 0xEF, 0xED); // 0xEDEFFE as blue, green, red
const QColor kHeadingColour(0xCF, 0xE2, 0xF0);
const QColor kValueColour(0xF2, 0xC9, 0x6A);

// Rows of the shred list are 16 pixels high at the design's text size, and
// as high as the font where the desktop's text is larger.
class SixteenPixelRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(std::max(ui::px(16), option.fontMetrics.height()));
        return s;
    }
};

void colourLabel(QLabel* label, const QColor& colour, int pixelSize, bool bold)
{
    look::setTextColour(label, colour);
    label->setFont(look::uiFont(pixelSize, bold));
}

} // namespace

// ---- shred list ----

TShredList::TShredList(TFileListBox* source, QWidget* parent) : QListWidget(parent), m_source(source)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setUniformItemSizes(true);
    setItemDelegate(new SixteenPixelRows(this));
    QFont f = font();
    f.setBold(true);
    setFont(f);
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, kShredListColour);
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    setPalette(pal);
    readable::keepSelectionReadable(this);
}

QStringList TShredList::names() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out.append(item(i)->text());
    return out;
}

int TShredList::addNames(const QStringList& names)
{
    QStringList have = this->names();
    int added = 0;
    for (const QString& name : names) {
        if (have.contains(name, Qt::CaseSensitive))
            continue;
        addItem(name);
        have.append(name);
        ++added;
    }
    return added;
}

QObject* TShredList::s_simulatedSource = nullptr;

void TShredList::setSimulatedDragSource(QObject* source)
{
    s_simulatedSource = source;
}

bool TShredList::acceptsDrag(const QDropEvent* event) const
{
    if (!m_source || !event)
        return false;
    if (s_simulatedSource) {
        const QMimeData* data = event->mimeData();
        return s_simulatedSource == m_source && data && data->hasFormat(TFileListBox::MimeType);
    }
    return m_source->isOwnDrag(event);
}

void TShredList::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrag(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TShredList::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrag(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TShredList::dropEvent(QDropEvent* event)
{
    if (!acceptsDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit dropped();
}

// ---- window ----

void TShredderForm::BarProgress::setMax(int max)
{
    m_form.Prog->setMax(max);
}

void TShredderForm::BarProgress::setPosition(int position)
{
    m_form.Prog->setPosition(position);
}

TShredderForm::TShredderForm(AppContext& context, const QStringList& treeRoots, QWidget* parent)
    : SkinnedWindow(parent), m_context(context)
{
    setObjectName(QStringLiteral("ShredderForm"));
    setWindowTitle(QStringLiteral("File Shredder"));
    setBackground(QString::fromLatin1(Pictures::Shredder));
    if (background().isNull())
        setFixedSize(608, 467);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(false);
    setModal(true);
    setEscapeCloses(false); // Escape empties the shred list instead

    buildControls(treeRoots);
    // The default tree starts at the user's own folder.
    if (treeRoots.isEmpty())
        FolderTree1->setSelectedPath(QDir::homePath());

    // The wiping routine shows its passes here, whoever calls it.
    m_context.setWipeProgress(&m_progress);
}

TShredderForm::~TShredderForm()
{
    if (m_context.wipeProgress() == &m_progress)
        m_context.setWipeProgress(nullptr);
    if (m_installed)
        m_context.showShredder = nullptr;
}

void TShredderForm::buildControls(const QStringList& treeRoots)
{
    Label9 = addTitle(QStringLiteral("File Shredder"));
    Label9->setObjectName(QStringLiteral("Label9"));

    const auto heading = [this](const char* name, const QString& text, int x, int y, int w) {
        QLabel* l = addLabel(text, x, y, w, 16);
        l->setObjectName(QString::fromLatin1(name));
        colourLabel(l, kHeadingColour, 11, true);
        return l;
    };
    const auto caption = [this](const char* name, const QString& text, int x, int y, int w) {
        QLabel* l = addLabel(text, x, y, w, 18);
        l->setObjectName(QString::fromLatin1(name));
        colourLabel(l, kHeadingColour, 11, false);
        return l;
    };
    const auto value = [this](const char* name, const QString& text, int x, int y, int w) {
        QLabel* l = addLabel(text, x, y, w, 18);
        l->setObjectName(QString::fromLatin1(name));
        colourLabel(l, kValueColour, 11, true);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };

    // Three columns: folders, the folder's files, the shred list.
    Label5 = heading("Label5", QStringLiteral("Select Folder"), 18, 52, 156);
    FolderTree1 = place(treeRoots.isEmpty() ? new TFolderTree(this) : new TFolderTree(treeRoots, this), 18, 70,
                        156, 320);
    FolderTree1->setObjectName(QStringLiteral("FolderTree1"));

    Label6 = heading("Label6", QStringLiteral("Current Folder Files"), 182, 52, 174);
    FileListBox1 = place(new TFileListBox(this), 182, 70, 174, 250);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setFileIcon(QIcon(QString::fromLatin1(Pictures::FileOther)));
    FileListBox1->setExecutableIcon(QIcon(QString::fromLatin1(Pictures::FileExecutable)));

    Label7 = heading("Label7", QStringLiteral(" Shredder (Drag and Drop Files Here)"), 360, 52, 236);
    ListBox1 = place(new TShredList(FileListBox1, this), 364, 70, 226, 250);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    // Each list is spoken by its heading; the keys and the menu key do what the mouse does.
    FolderTree1->setAccessibleName(Label5->text());
    FileListBox1->setAccessibleName(Label6->text());
    ListBox1->setAccessibleName(QStringLiteral("Shredder"));
    ListBox1->setAccessibleDescription(QStringLiteral("Files to shred. Delete removes the selected ones."));
    FileListBox1->setAccessibleDescription(QStringLiteral("Enter or Insert adds the selected files to the shredder."));
    for (QListWidget* list : {static_cast<QListWidget*>(FileListBox1), static_cast<QListWidget*>(ListBox1)}) {
        list->installEventFilter(this);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](QPoint at) { showListMenu(list, at); });
    }

    // Under the file list its filter; under the shred list the counts.
    Label2 = caption("Label2", QStringLiteral("Filter Extension:"), 182, 330, 92);
    ExtFilter = place(new QLineEdit(QStringLiteral("*.*"), this), 276, 328, 80, 22);
    ExtFilter->setObjectName(QStringLiteral("ExtFilter"));
    Label2->setBuddy(ExtFilter);
    Label8 = caption("Label8", QStringLiteral("Total Files to Delete:"), 364, 330, 140);
    Label1 = value("Label1", QStringLiteral("0"), 506, 330, 84);
    Label4 = caption("Label4", QStringLiteral("Selected File(s):"), 364, 348, 140);
    NoSelectedFiles = value("NoSelectedFiles", QStringLiteral("0"), 506, 348, 84);
    Label3 = caption("Label3", QStringLiteral("Selected File(s) Size:"), 364, 366, 140);
    filesizelabel = value("filesizelabel", QStringLiteral("-"), 490, 366, 100);

    const auto button = [this](const char* name, const QString& text, int x) {
        auto* b = place(new QPushButton(text, this), x, 398, 96, 26);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false); // Enter in the filter must not start anything
        b->setDefault(false);
        return b;
    };
    Selectallbtn = button("Selectallbtn", QStringLiteral("Select All"), 18);
    refreshbtn = button("refreshbtn", QStringLiteral("&Refresh"), 120);
    wipebtn = button("wipebtn", QStringLiteral("&Shred Files"), 290);
    clearbtn = button("clearbtn", QStringLiteral("&Clear"), 392);
    closebtn = button("closebtn", QStringLiteral("Close"), 494);

    // Status bar in a sunken panel, the pass progress over its right part.
    StatusPanel = place(new QFrame(this), 18, 432, 572, 22);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel->setLineWidth(1);
    StatusPanel->setAutoFillBackground(true);
    Status = new TALStatusBar(StatusPanel);
    Status->setObjectName(QStringLiteral("Status"));
    designPlace(Status, QRect(1, 1, 570, 20));
    // The path takes what the progress panel leaves of the bar's width.
    Status->setPanelWidths({TALStatusBar::Rest, ui::px(178)});
    Status->setSizeGrip(false);
    Status->setSimplePanel(false);
    Prog = new TALProgressBar(Status);
    Prog->setObjectName(QStringLiteral("Prog"));
    Status->putInPanel(Prog, 1);
    Prog->setBackgroundColor(Qt::white); // under its own black figures, whatever the desktop's colours
    Prog->setBarColor1(QColor(0xFF, 0x00, 0x00));
    Prog->setBarColor2(QColor(0x00, 0xFF, 0x00));
    Prog->setBarColor3(QColor(0x00, 0xFF, 0x00));
    Prog->setBorderColor1(palette().color(QPalette::Active, QPalette::Button));
    Prog->setMax(10);

    connect(FileListBox1, &TFileListBox::changed, this, &TShredderForm::FileListSelectionChanged);
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this] { AddSelectionToShredList(); });
    connect(ListBox1, &TShredList::dropped, this, &TShredderForm::AddSelectionToShredList);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ListBox1DblClick(ListBox1->row(item)); });
    connect(ExtFilter, &QLineEdit::textChanged, this, &TShredderForm::ExtFilterChange);
    connect(Selectallbtn, &QPushButton::clicked, this, &TShredderForm::SelectallbtnClick);
    connect(refreshbtn, &QPushButton::clicked, this, &TShredderForm::refreshbtnClick);
    connect(wipebtn, &QPushButton::clicked, this, &TShredderForm::wipebtnClick);
    connect(clearbtn, &QPushButton::clicked, this, &TShredderForm::clearbtnClick);
    connect(closebtn, &QPushButton::clicked, this, &QWidget::close);
}

QString TShredderForm::currentFolder() const
{
    return FileListBox1->directory();
}

int TShredderForm::execOver(QWidget* over)
{
    return execCentredOver(over);
}

void TShredderForm::showEvent(QShowEvent* event)
{
    SkinnedWindow::showEvent(event); // the rounded outline
    if (!m_treeBound) {
        connect(FolderTree1, &TFolderTree::changed, this, &TShredderForm::ApplyFolder);
        m_treeBound = true;
    }
    if (m_running)
        return; // shown again during a run: the run owns the lists
    Prog->setPosition(0); // no bar left over from the last run
    ApplyFolder(); // also empties the shred list
}

void TShredderForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_running ? wipebtnClick() : clearbtnClick();
        event->accept();
        return;
    }
    SkinnedWindow::keyPressEvent(event);
}

bool TShredderForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !m_running) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == FileListBox1 &&
            (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert)) {
            AddSelectionToShredList();
            return true;
        }
        if (watched == ListBox1 && key == Qt::Key_Delete) {
            removeSelectedFromShredList();
            return true;
        }
    }
    return SkinnedWindow::eventFilter(watched, event);
}

void TShredderForm::showListMenu(QListWidget* list, QPoint at)
{
    if (m_running) return;
    QMenu menu(this);
    if (list == FileListBox1) {
        menu.addAction(QStringLiteral("&Add to Shredder"), this, &TShredderForm::AddSelectionToShredList)
            ->setEnabled(!FileListBox1->selectedItems().isEmpty());
        menu.addAction(QStringLiteral("Select All"), this, &TShredderForm::SelectallbtnClick);
    } else {
        menu.addAction(QStringLiteral("&Remove"), this, &TShredderForm::removeSelectedFromShredList)
            ->setEnabled(!ListBox1->selectedItems().isEmpty());
        menu.addAction(QStringLiteral("&Clear"), this, &TShredderForm::clearbtnClick);
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

void TShredderForm::removeSelectedFromShredList()
{
    if (m_running) return;
    for (QListWidgetItem* item : ListBox1->selectedItems())
        delete ListBox1->takeItem(ListBox1->row(item));
    updateShredCount();
}

void TShredderForm::closeEvent(QCloseEvent* event)
{
    if (m_running) { // the run finishes first; its messages belong to this window
        event->ignore();
        return;
    }
    SkinnedWindow::closeEvent(event);
}

void TShredderForm::ApplyFolder()
{
    if (m_running) {
        m_folderPending = true; // applied when the run is over
        return;
    }
    m_folderPending = false;
    const QString path = FolderTree1->SelectedPath();
    FileListBox1->setDirectory(path); // an empty path leaves the list as it was
    Status->setPanelText(0, ShortenPathText(path));
    ListBox1->clear();
    updateShredCount();
}

void TShredderForm::FileListSelectionChanged()
{
    const QString folder = currentFolder();
    qint64 total = 0;
    int count = 0;
    for (const QString& name : FileListBox1->selectedNames()) {
        ++count;
        total += GetFileSizeOf(PathInFolder(folder, name));
    }
    filesizelabel->setText(FormatSizeText(total));
    NoSelectedFiles->setText(QString::number(count));
}

void TShredderForm::AddSelectionToShredList()
{
    if (m_running)
        return;
    ListBox1->addNames(FileListBox1->selectedNames());
    updateShredCount();
}

void TShredderForm::SelectallbtnClick()
{
    if (m_running)
        return;
    ListBox1->clear();
    ListBox1->addNames(FileListBox1->names());
    updateShredCount();
}

void TShredderForm::refreshbtnClick()
{
    if (m_running)
        return;
    ApplyFolder();
    FileListBox1->reread();
}

void TShredderForm::clearbtnClick()
{
    if (m_running)
        return;
    ListBox1->clear();
    updateShredCount();
}

void TShredderForm::ListBox1DblClick(int row)
{
    if (m_running || row < 0 || row >= ListBox1->count())
        return;
    delete ListBox1->takeItem(row);
    updateShredCount();
}

void TShredderForm::ExtFilterChange()
{
    FileListBox1->setMask(ExtFilter->text());
}

void TShredderForm::wipebtnClick()
{
    if (m_running) { // Cancel: a file is never left half-wiped, so the run stops after it
        m_stopRequested = true;
        wipebtn->setEnabled(false);
        return;
    }
    if (ListBox1->count() == 0) {
        Messages::show(this, Messages::Kind::Warning, QStringLiteral("There are no files selected for shredding."),
                       Messages::Buttons::Ok);
        return;
    }
    if (Messages::show(this, Messages::Kind::Warning,
                       QStringLiteral("You will not be able to recover the files once shredded.\r\n"
                                      " Do you want to continue?"),
                       Messages::Buttons::YesNo, Messages::Answer::No)
        != Messages::Answer::Yes)
        return;

    zerath::TShredder& shredder = m_context.shredder();
    const QString folder = currentFolder();
    QString failure;
    bool cancelled = false;
    m_stopRequested = false;
    setRunning(true);
    {
        BusyCursor busy;
        shredder.WipedFileCount = 0;
        // Each entry leaves the list once it has been wiped, so that after a
        // failure the list holds exactly the entries that are still on disk.
        try {
            while (ListBox1->count() > 0) {
                const QString path = PathInFolder(folder, ListBox1->item(0)->text());
                shredder.ShredFile(localPath(path));
                delete ListBox1->takeItem(0);
                updateShredCount();
                if (m_stopRequested && ListBox1->count() > 0) {
                    cancelled = true;
                    break;
                }
            }
        } catch (const std::exception& e) {
            failure = QString::fromStdString(e.what());
            if (failure.isEmpty())
                failure = QStringLiteral("Unknown error");
        }
    }
    setRunning(false);
    // The file list shows what is on disk now, after a failure too: the files
    // above the failing entry are gone.
    FileListBox1->reread();
    Prog->setPosition(0);
    if (!failure.isEmpty()) {
        updateShredCount();
        Messages::show(this, Messages::Kind::Error, failure, Messages::Buttons::Ok);
    } else if (cancelled) {
        Messages::show(this, Messages::Kind::Information, QString::fromLatin1(zerath::OperationCancelled::kText));
    } else {
        ListBox1->clear();
        updateShredCount();
        Messages::show(this, Messages::Kind::Information,
                       QString::number(shredder.WipedFileCount) + QStringLiteral(" File(s) Securely Wiped"),
                       Messages::Buttons::Ok);
    }
    if (m_folderPending)
        ApplyFolder();
}

void TShredderForm::updateShredCount()
{
    Label1->setText(QString::number(ListBox1->count()));
}

void TShredderForm::setRunning(bool running)
{
    m_running = running;
    // Nothing that changes the folder or the lists, or starts a second run,
    // can be used while the passes let events through.
    for (QWidget* w : {static_cast<QWidget*>(FolderTree1), static_cast<QWidget*>(FileListBox1),
                       static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(ExtFilter),
                       static_cast<QWidget*>(Selectallbtn), static_cast<QWidget*>(refreshbtn),
                       static_cast<QWidget*>(clearbtn), static_cast<QWidget*>(closebtn)})
        w->setEnabled(!running);
    // While the files are wiped, the wipe button cancels the rest of the list.
    wipebtn->setText(running ? QStringLiteral("Cancel") : QStringLiteral("&Shred Files"));
    wipebtn->setEnabled(true);
}

TShredderForm* installShredderWindow(AppContext& context, QWidget* owner)
{
    auto* form = new TShredderForm(context, {}, owner);
    form->m_installed = true;
    context.showShredder = [form](QWidget* over) { form->execOver(over); };
    return form;
}

// ---- screenshot: a small made-up folder, a few files picked ----

namespace {

struct ScreenshotScene {
    QTemporaryDir dir;
    std::unique_ptr<AppContext> context;
};

QWidget* makeShredderScreenshot()
{
    static ScreenshotScene scene;
    if (!scene.context) {
        const QString root = scene.dir.path() + QStringLiteral("/Documents");
        for (const char* sub : {"Archive", "Invoices", "Letters", "Projects", "Projects/Zerath", "Tax 2023"})
            QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
        const char* files[] = {"bank-statement-march.pdf", "budget.xlsx", "contract-draft.docx",
                               "id-card-scan.jpg", "notes.txt", "passwords-old.txt",
                               "payslip-2023-11.pdf", "payslip-2023-12.pdf", "setup.exe",
                               "tax-return-2023.pdf"};
        int n = 1;
        for (const char* name : files) {
            QFile f(root + QStringLiteral("/Letters/") + QLatin1String(name));
            if (f.open(QIODevice::WriteOnly))
                f.write(QByteArray(n * 1337, 'x'));
            n += 3;
        }
        scene.context = std::make_unique<AppContext>(scene.dir.path() + QStringLiteral("/program"));
    }
    const QString root = scene.dir.path() + QStringLiteral("/Documents");
    auto* form = new TShredderForm(*scene.context, {root});
    form->FolderTree1->setSelectedPath(root + QStringLiteral("/Letters"));
    // Showing the window rereads the folder and empties the shred list, so
    // the picking happens once it is up.
    QTimer::singleShot(120, form, [form] {
        form->FolderTree1->expandAll();
        for (int row : {0, 5, 6, 7})
            if (QListWidgetItem* item = form->FileListBox1->item(row))
                item->setSelected(true);
        form->AddSelectionToShredList();
        form->Prog->setMax(4);
        form->Prog->setPosition(3);
    });
    return form;
}

} // namespace

ZERATH_SCREENSHOT(shredder, makeShredderScreenshot)
