#include "windows/KeyGenForm.h"
#include "app/TextFormat.h"
#include "widgets/UiScale.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

#include "app/AppContext.h"
#include "common/Resources.h"
#include "common/Screenshots.h"
#include "windows/ChangePassFrm.h"
#include "windows/FPCheckFrm.h"
#include "windows/KeyGenNowForm.h"
#include "windows/KeyInfoFrm.h"
#include "windows/KeyRingGrid.h"
#include "windows/KeySearch.h"
#include "windows/KeyWindows.h"

using namespace keywin;

std::vector<KeyGridColumn> keyManagerColumns()
{
    return {
        {"Type", QStringLiteral("Type"), 81, Qt::AlignLeft, Qt::AlignLeft},
        {"UserID", QStringLiteral("User ID"), 162, Qt::AlignLeft, Qt::AlignHCenter},
        {"KeyID", QStringLiteral("Key ID"), 73, Qt::AlignLeft, Qt::AlignLeft},
        {"KeyLength", QStringLiteral("Length"), 47, Qt::AlignLeft, Qt::AlignLeft},
        {"Date", QStringLiteral("Creation"), 79, Qt::AlignLeft, Qt::AlignLeft},
    };
}

namespace {

// The save dialog of both exports, proposing the name the key manager gives:
// the chosen file goes into `path` and the busy cursor starts; false when the
// dialog is cancelled.
zerath::SavePathPrompt exportPathPrompt(const char* title, BusyCursor& busy)
{
    return [title, &busy](std::string& path) {
        const QString chosen = Messages::saveFileName(QString::fromLatin1(title), QString::fromLatin1(kKeyFileFilter),
                                                      QStringLiteral("akf"), QFile::decodeName(path.c_str()));
        if (chosen.isEmpty()) return false;
        path = localPath(chosen);
        busy.start();
        return true;
    };
}

QGroupBox* captionGroup(const QString& title, QWidget* parent)
{
    auto* g = new QGroupBox(title, parent);
    g->setFont(uiFont(12, true));
    setTextColour(g, Qt::white);
    return g;
}

bool okAnswer(QWidget* parent, Messages::Kind kind, const QString& text)
{
    return Messages::show(parent, kind, text, Messages::Buttons::OkCancel) == Messages::Answer::Ok;
}

} // namespace

bool askPrivatePassphrase(zerath::SecureString& passphrase, const QString& keyFile)
{
    QString text;
    // The file's name comes first, so that a title cut short still says which key is meant.
    QString title = QString::fromLatin1(TKeyGenForm::kPassphraseTitle);
    if (!keyFile.isEmpty()) title = QFileInfo(keyFile).fileName() + QStringLiteral(" – ") + title;
    const bool ok = Messages::askText(title,
                                      QString::fromLatin1(TKeyGenForm::kPassphrasePrompt), true, &text);
    if (!ok) {
        wipe(text);
        return false;
    }
    passphrase = secureText(text);
    return true;
}

TKeyGenForm::TKeyGenForm(AppContext& context, QWidget* parent)
    : SkinnedWindow(parent), m_ctx(context), m_manager(localPath(context.dataFolder()))
{
    setObjectName(QStringLiteral("KeyGenForm"));
    setWindowTitle(QStringLiteral("Keys Manager"));
    setBackground(QString::fromLatin1(Pictures::KeyManager));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(true);
    buildControls();
    connect(&context, &AppContext::keyRingChangedOutside, this, &TKeyGenForm::reloadChangedKeyRing);

    m_keyGen = new TKeyGenNowForm(context, this);
    m_changePass = new TChangePassFrm(this);
    m_keyInfo = new TKeyInfoFrm(this);
    m_fpCheck = new TFPCheckFrm(this);

    m_manager.Ring().OnDataChange = [this] { DataSourceDataChange(); };
    DataSourceDataChange();
}

TKeyGenForm::~TKeyGenForm()
{
    m_manager.Ring().OnDataChange = nullptr;
    if (m_installed) {
        m_ctx.showKeyManager = nullptr;
        m_ctx.importKeyFile = nullptr;
    }
    // A window destroyed while shown still hands the key ring back.
    if (m_open) {
        try {
            m_manager.Close();
        } catch (...) {
        }
    }
}

void TKeyGenForm::buildControls()
{
    Label3 = addTitle(QStringLiteral("Keys Manager"));
    Label3->setObjectName(QStringLiteral("Label3"));

    Label1 = addLabel(QStringLiteral("Fingerprint:"), 16, 51, 76, 16);
    Label1->setObjectName(QStringLiteral("Label1"));
    styleCaption(Label1, true);
    FPedit = new QLineEdit(this);
    FPedit->setObjectName(QStringLiteral("FPedit"));
    FPedit->setReadOnly(true);
    FPedit->setFocusPolicy(Qt::StrongFocus); // read with the keyboard, then compared
    Label1->setBuddy(FPedit);
    QFont fpFont(QStringLiteral("Courier New"));
    fpFont.setStyleHint(QFont::Monospace);
    ui::setDesignSize(fpFont, 11); // the ten groups of the key fingerprint fit whole
    FPedit->setFont(fpFont);
    place(FPedit, 96, 48, 356, 22);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(QIcon(loadPixmap(Pictures::FingerprintCompare)));
    SpeedButton1->setIconSize(QSize(20, 20));
    SpeedButton1->setToolTip(QStringLiteral("Compare Fingerprints"));
    SpeedButton1->setAccessibleName(SpeedButton1->toolTip());
    SpeedButton1->setFocusPolicy(Qt::StrongFocus); // Space presses it
    place(SpeedButton1, 458, 46, 26, 26);

    DBGrid = new TKeyRingGrid(keyManagerColumns(), this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    KeyGridColours colours;
    colours.gridBackground = QColor(0xE8, 0xE8, 0xE8);
    DBGrid->setColours(colours);
    DBGrid->keyDelegate().setKeyPairRule([](const zerath::KeyRecord& r) { return !r.ExponentD.empty(); });
    DBGrid->keyDelegate().setIconColumn(0);
    DBGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    DBGrid->setFont(uiFont(11));
    DBGrid->horizontalHeader()->setFont(uiFont(10, true));
    DBGrid->setKeyRing(&m_manager.Ring());
    place(DBGrid, 14, 78, 472, 116);
    DBGrid->setAccessibleName(QStringLiteral("Keys"));
    KeySearch = place(keysearch::addSearchField(DBGrid, this), 316, 13, 170, 22);
    KeySearch->setFont(uiFont(11));
    // Tab follows the eye: search, fingerprint, comparison, grid.
    setTabOrder(KeySearch, FPedit);
    setTabOrder(FPedit, SpeedButton1);
    setTabOrder(SpeedButton1, DBGrid);
    DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid, &QWidget::customContextMenuRequested, this, [this](QPoint at) { showGridMenu(at); });
    DBGrid->installEventFilter(this);
    DBGrid->viewport()->installEventFilter(this);

    GroupBox1 = captionGroup(QStringLiteral("Key Management "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    place(GroupBox1, 14, 198, 380, 90);
    const auto button = [this](const char* name, const QString& caption, int col, int row) {
        auto* b = new QPushButton(caption, GroupBox1);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(uiFont(11)); // "Change Passphrase..." fits its button whole
        b->setAutoDefault(false);
        b->setCursor(Qt::ArrowCursor);
        designPlace(b, QRect(8 + col * 123, 22 + row * 32, 118, 26));
        return b;
    };
    ImportKeybtn = button("ImportKeybtn", QStringLiteral("Import Key..."), 0, 0);
    Exportpubkeybtn = button("Exportpubkeybtn", QStringLiteral("Export Public Key..."), 1, 0);
    Exportprvkeybtn = button("Exportprvkeybtn", QStringLiteral("Export Private Key..."), 2, 0);
    GenKeysbtn = button("GenKeysbtn", QStringLiteral("Generate Keys..."), 0, 1);
    RemoveKey = button("RemoveKey", QStringLiteral("Remove Key..."), 1, 1);
    ChangePassphrase = button("ChangePassphrase", QStringLiteral("Change Passphrase..."), 2, 1);

    GroupBox2 = captionGroup(QStringLiteral("No. Keys "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    place(GroupBox2, 402, 198, 84, 50);
    CurrentRec = new QLabel(QStringLiteral("-"), GroupBox2);
    CurrentRec->setObjectName(QStringLiteral("CurrentRec"));
    CurrentRec->setFont(uiFont(12, true));
    setTextColour(CurrentRec, kHeadingText);
    CurrentRec->setAlignment(Qt::AlignCenter);
    designPlace(CurrentRec, QRect(4, 22, 76, 20));

    CloseBtn = new QPushButton(QStringLiteral("Close"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setFont(uiFont(12));
    CloseBtn->setAutoDefault(false);
    place(CloseBtn, 402, 258, 84, 28);

    connect(ImportKeybtn, &QPushButton::clicked, this, [this] { ImportKeybtnClick(); });
    connect(Exportpubkeybtn, &QPushButton::clicked, this, &TKeyGenForm::ExportpubkeybtnClick);
    connect(Exportprvkeybtn, &QPushButton::clicked, this, &TKeyGenForm::ExportprvkeybtnClick);
    connect(GenKeysbtn, &QPushButton::clicked, this, &TKeyGenForm::GenKeysbtnClick);
    connect(RemoveKey, &QPushButton::clicked, this, &TKeyGenForm::RemoveKeyClick);
    connect(ChangePassphrase, &QPushButton::clicked, this, &TKeyGenForm::ChangePassphraseClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TKeyGenForm::SpeedButton1Click);
    connect(CloseBtn, &QPushButton::clicked, this, &TKeyGenForm::accept);
}

int TKeyGenForm::execOver(QWidget* over)
{
    return execCentredOver(over);
}

// ---- showing and hiding: the key ring changes hands ----

void TKeyGenForm::showEvent(QShowEvent* event)
{
    SkinnedWindow::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TKeyGenForm::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) FormHide();
    SkinnedWindow::hideEvent(event);
}

void TKeyGenForm::FormShow()
{
    if (m_open) return;
    // The first import or export dialog opens where the key files are made;
    // later ones where the last file was chosen.
    static bool keyFolderOffered = false;
    if (!keyFolderOffered) Messages::setStartFolder(m_ctx.dataFolder());
    keyFolderOffered = true;
    runGuarded(this, [this] {
        m_ctx.closeMainKeyRing();
        m_manager.Open();
        m_open = true;
    });
    DBGrid->reload();
    DataSourceDataChange();
}

void TKeyGenForm::reloadChangedKeyRing()
{
    if (!m_open) return;
    // Pending deletions and passphrase changes are written first, as closing does.
    runGuarded(this, [this] {
        m_manager.Close();
        m_manager.Open();
    });
    DBGrid->reload();
    DataSourceDataChange();
}

void TKeyGenForm::FormHide()
{
    if (!m_open) return;
    m_open = false;
    // Deletions and passphrase changes reach the file here.
    runGuarded(this, [this] { m_manager.Close(); });
    runGuarded(this, [this] { m_ctx.reopenMainKeyRing(); });
    DBGrid->reload();
    DataSourceDataChange();
}

// ---- the current record ----

void TKeyGenForm::DataSourceDataChange()
{
    const zerath::KeyManagerView v = m_manager.View();
    FPedit->setText(QString::fromStdString(v.fingerprint));
    FPedit->setCursorPosition(0);
    Exportprvkeybtn->setEnabled(v.privateExportEnabled);
    ChangePassphrase->setEnabled(v.changePassphraseEnabled);
    CurrentRec->setText(QString::fromStdString(v.countText));
    m_dblClickAttached = v.keyInfoEnabled;
    Exportpubkeybtn->setEnabled(v.publicExportEnabled);
    RemoveKey->setEnabled(v.removeEnabled);
    DBGrid->followKeyRing();
}

bool TKeyGenForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            GridDeleteKey();
            return true;
        }
        // Enter opens the row's Key Information, as a double click does.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            if (m_dblClickAttached) DBGridDblClick();
            return true;
        }
    }
    if (watched == DBGrid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The grid moves its cursor on the press first; the double click then
        // acts on the record it shows.
        if (m_dblClickAttached) DBGridDblClick();
        return true;
    }
    return SkinnedWindow::eventFilter(watched, event);
}

// ---- commands ----

void TKeyGenForm::ImportKeybtnClick(const QString& proposed)
{
    const QString file = Messages::openFileName(QString::fromLatin1(kImportTitle), QString::fromLatin1(kKeyFileFilter),
                                                QStringLiteral("akf"), proposed);
    if (file.isEmpty()) return;
    BusyCursor busy;
    runGuarded(
        this,
        [&] {
            (void)m_manager.ImportKey(localPath(file), [&busy, &file](zerath::SecureString& passphrase) {
                // The question shows the normal cursor.
                busy.stop();
                const bool ok = askPrivatePassphrase(passphrase, file);
                if (ok) busy.start();
                return ok;
            });
        },
        &busy);
    busy.stop();
    DBGrid->reload();
    DataSourceDataChange();
}

void TKeyGenForm::ExportpubkeybtnClick()
{
    if (!m_manager.Ring().HasCurrent()) return;
    BusyCursor busy(false);
    runGuarded(
        this,
        [&] {
            m_manager.ExportPublicKey(exportPathPrompt(kExportPublicTitle, busy));
        },
        &busy);
}

void TKeyGenForm::ExportprvkeybtnClick()
{
    if (!m_manager.Ring().HasCurrent()) return;
    BusyCursor busy(false);
    runGuarded(
        this,
        [&] {
            m_manager.ExportPrivateKey(
                [this](const zerath::UserMessage& question) {
                    return okAnswer(this, boxKind(question.kind()), QString::fromUtf8(question.what()));
                },
                [](zerath::SecureString& p) { return askPrivatePassphrase(p); }, exportPathPrompt(kExportPrivateTitle, busy));
        },
        &busy);
}

bool TKeyGenForm::confirmDeletion(Messages::Kind kind, const QString& question)
{
    const zerath::KeyRing& ring = m_manager.Ring();
    const QString which = QStringLiteral("Owner: ") + QString::fromStdString(ring.FieldAsString("UserID")) +
                          QStringLiteral("\nKey ID: ") + QString::fromStdString(ring.FieldAsString("KeyID"));
    return Messages::show(this, kind, question, Messages::Buttons::OkCancel, Messages::Answer::Cancel, which) ==
           Messages::Answer::Ok;
}

void TKeyGenForm::RemoveKeyClick()
{
    runGuarded(this, [this] {
        m_manager.RemoveCurrentKey([this](const zerath::UserMessage& question) {
            return confirmDeletion(boxKind(question.kind()), QString::fromUtf8(question.what()));
        });
    });
    DBGrid->reload();
    DataSourceDataChange();
}

void TKeyGenForm::GridDeleteKey()
{
    if (!m_manager.Ring().HasCurrent()) return;
    runGuarded(this, [this] {
        m_manager.RemoveCurrentKey([this](const zerath::UserMessage&) {
            return confirmDeletion(Messages::Kind::Confirmation, QString::fromLatin1(kGridDeleteQuestion));
        });
    });
    DBGrid->reload();
    DataSourceDataChange();
}

void TKeyGenForm::GenKeysbtnClick()
{
    m_keyGen->execCentredOver(this);
}

void TKeyGenForm::ChangePassphraseClick()
{
    zerath::KeyRing& ring = m_manager.Ring();
    if (!ring.HasCurrent() || ring.FieldAsString("ExponentD").empty()) return;
    m_changePass->setUserID(KeyText(ring.FieldAsString("UserID")));
    const int result = m_changePass->execCentredOver(this);
    const zerath::SecureString current = m_changePass->currentPassphrase();
    const zerath::SecureString fresh = m_changePass->newPassphrase();
    const zerath::SecureString confirmation = m_changePass->confirmPassphrase();
    // The entries do not keep the passphrases for the next showing.
    m_changePass->clearPassphrases();
    if (result != QDialog::Accepted) return;
    // The key ring tells the window of the change once the record is posted.
    runGuarded(this, [&] { showOutcome(this, m_manager.ChangePassphrase(current, fresh, confirmation)); });
    DataSourceDataChange();
}

void TKeyGenForm::showGridMenu(QPoint at)
{
    // The menu key and a right click offer what the buttons and the double click do.
    QMenu menu(this);
    QAction* info = menu.addAction(QStringLiteral("Key &Information"), this, &TKeyGenForm::DBGridDblClick);
    info->setEnabled(m_dblClickAttached);
    for (QPushButton* b : {Exportpubkeybtn, Exportprvkeybtn, RemoveKey, ChangePassphrase}) {
        QAction* a = menu.addAction(b->text(), b, &QPushButton::click);
        a->setEnabled(b->isEnabled());
    }
    menu.exec(DBGrid->viewport()->mapToGlobal(at));
}

void TKeyGenForm::DBGridDblClick()
{
    if (!m_manager.Ring().HasCurrent()) return;
    m_keyInfo->setKeyInformation(m_manager.KeyInformationLines(), m_manager.KeyInformationPicture());
    m_keyInfo->execCentredOver(this);
}

void TKeyGenForm::SpeedButton1Click()
{
    m_fpCheck->setFingerprint(FPedit->text(), QString::fromStdString(m_manager.View().recordFingerprint));
    m_fpCheck->execCentredOver(this);
}

// ---- screenshot: one generated pair, imported as key pair and as public key ----

namespace {

QWidget* makeKeyManagerScreenshot()
{
    return new TKeyGenForm(screenshotContext());
}

} // namespace

ZERATH_SCREENSHOT(keymanager, makeKeyManagerScreenshot);
