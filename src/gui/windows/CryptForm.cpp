#include "windows/CryptForm.h"
#include "widgets/UiScale.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <cmath>
#include <exception>

#include "app/AppContext.h"
#include "app/TextFormat.h"
#include "app/WindowLook.h"
#include "common/Error.h"
#include "common/GeneralErrorHandler.h"
#include "common/Messages.h"
#include "common/Resources.h"
#include "filecrypt/BatchCommands.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/FileKind.h"
#include "keyring/KeyRing.h"
#include "pubkey/SystemRandom.h"
#include "symcrypto/CipherList.h"
#include "widgets/ALStatusBar.h"
#include "widgets/ElidedField.h"
#include "widgets/HNoShape.h"
#include "common/SecretText.h"
#include "windows/AboutDlg.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/KeyRingGrid.h"
#include "windows/KeySearch.h"
#include "windows/OptionsDlg.h"
#include "windows/PopupFrm.h"
#include "windows/Splashscreen.h"

namespace {

bool g_showSplash = true;

THNoShape* imageButton(SkinnedWindow* window, const char* face, const char* idle, const QString& caption, int x,
                       int y, const QString& name)
{
    auto* b = new THNoShape(window);
    b->setObjectName(name);
    // The faces grow with the text their captions are written in.
    const auto grown = [](const QImage& image) {
        return ui::scale() > 1.0 ? image.scaled(image.size() * ui::scale()) : image;
    };
    b->setBitmap(grown(loadImage(face)));
    b->setIdleBitmap(grown(loadImage(idle)));
    b->setCaption(caption);
    if (!caption.isEmpty()) {
        b->setFont(look::uiFont(13, true));
        // The caption is centred on the face; two em spaces in front centre it
        // on the part right of the glyph well.
        b->setCaption(QStringLiteral("\u2003\u2003") + caption);
    }
    b->setFocusPolicy(Qt::StrongFocus); // reachable with Tab; Space or Enter clicks
    window->place(b, x, y);
    return b;
}

QLabel* fieldLabel(SkinnedWindow* window, const QString& text, int x, int y, int width = -1)
{
    QLabel* l = window->addLabel(text, x, y, width, 16);
    l->setFont(look::uiFont(12, true));
    look::setTextColour(l, look::kLightText);
    if (width < 0) l->adjustSize();
    return l;
}

// Marks a command as running for as long as it lasts.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

void TCryptForm::setShowSplash(bool show)
{
    g_showSplash = show;
}

TCryptForm::TCryptForm(AppContext& ctx, QWidget* parent) : SkinnedWindow(parent, Qt::Window), m_ctx(ctx)
{
    setObjectName(QStringLiteral("CryptForm"));
    setWindowTitle(QStringLiteral("Zerath"));
    setWindowIcon(QIcon(QString::fromLatin1(Pictures::AppIcon)));
    setBackground(QString::fromLatin1(Pictures::MainWindow));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setModal(false);
    setEscapeCloses(false);
    m_ctx.setMainWindow(this);

    zerath::RandomizeFromClock();
    buildControls();
    InitButtons();
    Encryptbtn->setFocus(); // the first command, not the title bar's Minimize
    setOutline(WindowOutline::roundRect(0, 0, width(), height(), 24, 24));
    setDraggable(true);

    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        if (g_showSplash) TSplashscreen::showAndWaitDefault();

        for (const auto& e : zerath::cipherEntries())
            cbxCipher->addItem(QString::fromLatin1(e.displayText.data(), qsizetype(e.displayText.size())));
        cbxCipher->setCurrentIndex(zerath::kDefaultCipherIndex);

        zerath::KeyRing& ring = m_ctx.mainKeyRing();
        ring.OnDataChange = [this] { DataSourceDataChange(); };
        ring.DBOpen(zerath::KeyRing::MissingFile::Create);
        DBGrid->setKeyRing(&ring);

        CipherAutoSelectCB->setChecked(m_ctx.settings().stealthyCipher());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        m_ctx.mainKeyRing().OnDataChange = nullptr;
        if (m_ctx.mainWindow() == this) m_ctx.setMainWindow(nullptr);
        throw;
    }
    m_recipientSelected = false;
    QApplication::restoreOverrideCursor();

    connect(&m_ctx, &AppContext::keyRingReopened, this, &TCryptForm::refreshGrid);
    // zerath.ini written by another process: its Stealthy Cipher box and level apply.
    connect(&m_ctx, &AppContext::settingsChangedOutside, this, [this] {
        guarded(this, [this] {
            CipherAutoSelectCB->setChecked(m_ctx.settings().stealthyCipher());
            m_ctx.setCompressionLevel(zerath::Settings::CompressionLevelInEffect(m_ctx.settings().compressionLevel()));
        });
    });
}

TCryptForm::~TCryptForm()
{
    m_ctx.mainKeyRing().OnDataChange = nullptr;
    if (m_ctx.mainWindow() == this) m_ctx.setMainWindow(nullptr);
}

void TCryptForm::buildControls()
{
    // Title band.
    addTitle(QStringLiteral("Zerath"), 18, 11);
    QLabel* subtitle = addLabel(QStringLiteral("Public-key file encryption"), 92, 15);
    subtitle->setFont(look::uiFont(12));
    look::setTextColour(subtitle, look::kDimText);
    subtitle->adjustSize();
    Minimizebtn = imageButton(this, Pictures::BtnMinimize, Pictures::BtnMinimizeIdle, QString(), 552, 10,
                              QStringLiteral("Minimizebtn"));
    closetopbtn = imageButton(this, Pictures::BtnClose, Pictures::BtnCloseIdle, QString(), 578, 10,
                              QStringLiteral("closetopbtn"));
    // The two title buttons have no words on their faces: their names are spoken and shown as hints.
    Minimizebtn->setHint(QStringLiteral("Minimize"));
    closetopbtn->setHint(QStringLiteral("Close"));

    // Commands, down the left panel.
    const int bx = 9;
    Encryptbtn = imageButton(this, Pictures::BtnEncrypt, Pictures::BtnEncryptIdle, QStringLiteral("&Encrypt"), bx, 64,
                             QStringLiteral("Encryptbtn"));
    Decryptbtn = imageButton(this, Pictures::BtnDecrypt, Pictures::BtnDecryptIdle, QStringLiteral("&Decrypt"), bx, 104,
                             QStringLiteral("Decryptbtn"));
    Shredderbtn = imageButton(this, Pictures::BtnShredder, Pictures::BtnShredderIdle, QStringLiteral("File &Shredder"),
                              bx, 160, QStringLiteral("Shredderbtn"));
    PGPKeyGen = imageButton(this, Pictures::BtnKeys, Pictures::BtnKeysIdle, QStringLiteral("&Keys Manager"), bx, 200,
                            QStringLiteral("PGPKeyGen"));
    Optionsbtn = imageButton(this, Pictures::BtnOptions, Pictures::BtnOptionsIdle, QStringLiteral("&Options"), bx, 256,
                             QStringLiteral("Optionsbtn"));
    Aboutbtn = imageButton(this, Pictures::BtnAbout, Pictures::BtnAboutIdle, QStringLiteral("&About"), bx, 296,
                           QStringLiteral("Aboutbtn"));
    CloseBtn = imageButton(this, Pictures::BtnExit, Pictures::BtnExitIdle, QStringLiteral("E&xit"), bx, 388,
                           QStringLiteral("CloseBtn"));
    Label12 = addLabel(QStringLiteral("Version 1.0"), bx, 434, 150, 16);
    Label12->setObjectName(QStringLiteral("Label12"));
    Label12->setAlignment(Qt::AlignCenter);
    Label12->setFont(look::uiFont(11));
    look::setTextColour(Label12, look::kDimText);

    // Key ring and recipient.
    const int lx = 178, rx = 595; // the right panel's working area
    Label6 = addLabel(QStringLiteral("Anti-Symmetric RSA Keys"), lx, 58);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setFont(look::uiFont(13, true));
    look::setTextColour(Label6, look::kHeading);
    Label6->adjustSize();

    DBGrid = new TKeyRingGrid(mainWindowKeyColumns(), this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->keyDelegate().setHighlight([this] { return m_recipientSelected; });
    // A narrow face where there is one, so that "Pub/Priv" and the bold title
    // "Length" fit their columns.
    QFont gridFont = look::uiFont(11);
    for (const char* narrow : {"Arial Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(narrow))) {
            gridFont.setFamily(QString::fromLatin1(narrow));
            break;
        }
    }
    DBGrid->setFont(gridFont);
    gridFont.setBold(true);
    ui::setDesignSize(gridFont, 10);
    DBGrid->horizontalHeader()->setFont(gridFont);
    // The grid's natural width grows with the text; its place is in design pixels.
    const int gridWidth = int(std::ceil(DBGrid->naturalWidth() / ui::scale()));
    place(DBGrid, rx - gridWidth, 78, gridWidth, 130);
    connect(DBGrid, &QAbstractItemView::doubleClicked, this, [this] { AddMailBoxbtnClick(); });
    DBGrid->installEventFilter(this);
    DBGrid->viewport()->installEventFilter(this);

    const int gx = rx - gridWidth;
    KeySearch = place(keysearch::addSearchField(DBGrid, this), rx - 160, 55, 160, 20);
    KeySearch->setFont(look::uiFont(11));
    // Tab follows the eye: the search field above the grid comes first.
    setTabOrder(KeySearch, DBGrid);
    QLabel* recipientIdLabel = fieldLabel(this, QStringLiteral("Recipient ID"), gx, 216);
    QLabel* recipientUserLabel = fieldLabel(this, QStringLiteral("Recipient User ID"), gx + 112, 216);
    MailBoxKeyID = place(new QLineEdit(this), gx, 234, 104, 22);
    MailBoxKeyID->setObjectName(QStringLiteral("MailBoxKeyID"));
    MailBoxKeyID->setPlaceholderText(QStringLiteral("Key ID"));
    MailBoxUserID = place(new QLineEdit(this), gx + 112, 234, 178, 22);
    MailBoxUserID->setObjectName(QStringLiteral("MailBoxUserID"));
    MailBoxUserID->setPlaceholderText(QStringLiteral("User ID"));
    recipientIdLabel->setBuddy(MailBoxKeyID);
    recipientUserLabel->setBuddy(MailBoxUserID);
    DBGrid->setAccessibleName(Label6->text());
    elided::showElided(MailBoxUserID);
    for (QLineEdit* e : {MailBoxKeyID, MailBoxUserID}) {
        e->setReadOnly(true);
        e->setFont(look::uiFont(12));
    }
    AddMailBoxbtn = place(new QPushButton(QStringLiteral("Select"), this), gx + 296, 233, 60, 24);
    AddMailBoxbtn->setObjectName(QStringLiteral("AddMailBoxbtn"));
    AddMailBoxbtn->setToolTip(QStringLiteral("Select Recipient"));
    ClearRecipientbtn = place(new QPushButton(QStringLiteral("Clear"), this), rx - 55, 233, 55, 24);
    ClearRecipientbtn->setObjectName(QStringLiteral("ClearRecipientbtn"));

    // Cipher.
    QLabel* cipherLabel = fieldLabel(this, QStringLiteral("Symmetric Cipher Algorithm"), gx, 266);
    cbxCipher = place(new QComboBox(this), gx, 284, 236, 24);
    cbxCipher->setObjectName(QStringLiteral("cbxCipher"));
    cbxCipher->setFont(look::uiFont(12));
    cipherLabel->setBuddy(cbxCipher);
    fieldLabel(this, QStringLiteral("Stealthy Cipher"), gx + 248, 266);
    CipherAutoSelectCB = place(new QCheckBox(QStringLiteral("Activate Stealthy Cipher"), this), gx + 248, 287);
    CipherAutoSelectCB->setObjectName(QStringLiteral("CipherAutoSelectCB"));
    CipherAutoSelectCB->setFont(look::uiFont(12));
    look::setTextColour(CipherAutoSelectCB, look::kLightText);
    CipherAutoSelectCB->adjustSize();
    SaveConfig = place(new QToolButton(this), rx - 24, 262, 24, 22);
    SaveConfig->setObjectName(QStringLiteral("SaveConfig"));
    SaveConfig->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    SaveConfig->setToolTip(QStringLiteral("Save Configuration"));
    SaveConfig->setAccessibleName(SaveConfig->toolTip());

    // Files. A click on Select picks files; its menu picks a folder instead.
    const int selectW = 72;
    const auto selectButton = [this] {
        auto* b = new QToolButton(this);
        b->setText(QStringLiteral("Select..."));
        b->setPopupMode(QToolButton::MenuButtonPopup);
        b->setMenu(new QMenu(b));
        return b;
    };
    QLabel* encLabel = fieldLabel(this, QStringLiteral("Select File to Encrypt "), gx, 318);
    EncFileEdit = place(new QLineEdit(this), gx, 336, rx - gx - selectW - 6, 24);
    EncFileEdit->setObjectName(QStringLiteral("EncFileEdit"));
    SelectFileEnc = place(selectButton(), rx - selectW, 336, selectW, 24);
    SelectFileEnc->setObjectName(QStringLiteral("SelectFileEnc"));
    QLabel* decLabel = fieldLabel(this, QStringLiteral("Select File to Decrypt "), gx, 366);
    DecFileEdit = place(new QLineEdit(this), gx, 384, rx - gx - selectW - 6, 24);
    DecFileEdit->setObjectName(QStringLiteral("DecFileEdit"));
    SelectFileDec = place(selectButton(), rx - selectW, 384, selectW, 24);
    SelectFileDec->setObjectName(QStringLiteral("SelectFileDec"));
    for (QLineEdit* e : {EncFileEdit, DecFileEdit})
        e->setFont(look::uiFont(12));
    encLabel->setBuddy(EncFileEdit);
    decLabel->setBuddy(DecFileEdit);
    // The two "Select..." buttons say which field they fill.
    SelectFileEnc->setAccessibleDescription(QStringLiteral("Select File to Encrypt"));
    SelectFileDec->setAccessibleDescription(QStringLiteral("Select File to Decrypt"));

    WipeOutOriginalFileCB = place(
        new QCheckBox(QStringLiteral("Wipe Out Original File (Permenent file deletion for increased security)"), this),
        gx, 412, rx - gx, 18);
    WipeOutOriginalFileCB->setObjectName(QStringLiteral("WipeOutOriginalFileCB"));
    WipeOutOriginalFileCB->setFont(look::uiFont(11));
    look::setTextColour(WipeOutOriginalFileCB, look::kLightText);

    Status = place(new TALStatusBar(this), gx, 434, rx - gx, 19);
    Status->setObjectName(QStringLiteral("Status"));
    // The cipher panel fits its longest text in the status bar's own font; the
    // file panel takes the rest.
    const int cipherPanel =
        Status->fontMetrics().horizontalAdvance(QStringLiteral("Cipher: Rijndael (AES), Key size: 256")) + 16;
    Status->setPanelWidths({TALStatusBar::Rest, cipherPanel});

    connect(Encryptbtn, &THNoShape::clicked, this, &TCryptForm::EncryptbtnClick);
    connect(Decryptbtn, &THNoShape::clicked, this, &TCryptForm::DecryptbtnClick);
    connect(Shredderbtn, &THNoShape::clicked, this, &TCryptForm::ShredderbtnClick);
    connect(PGPKeyGen, &THNoShape::clicked, this, &TCryptForm::PGPKeyGenClick);
    connect(Optionsbtn, &THNoShape::clicked, this, &TCryptForm::OptionsbtnClick);
    connect(Aboutbtn, &THNoShape::clicked, this, &TCryptForm::AboutbtnClick);
    connect(CloseBtn, &THNoShape::clicked, this, [this] { close(); });
    connect(closetopbtn, &THNoShape::clicked, this, [this] { close(); });
    connect(Minimizebtn, &THNoShape::clicked, this, [this] { showMinimized(); });
    connect(AddMailBoxbtn, &QPushButton::clicked, this, &TCryptForm::AddMailBoxbtnClick);
    connect(ClearRecipientbtn, &QPushButton::clicked, this, &TCryptForm::ClearRecipientbtnClick);
    connect(SaveConfig, &QToolButton::clicked, this, &TCryptForm::SaveConfigClick);
    connect(SelectFileEnc, &QToolButton::clicked, this, &TCryptForm::SelectFileEncClick);
    connect(SelectFileDec, &QToolButton::clicked, this, &TCryptForm::SelectFileDecClick);
    for (const bool decryptSide : {false, true}) {
        QMenu* menu = (decryptSide ? SelectFileDec : SelectFileEnc)->menu();
        connect(menu->addAction(QStringLiteral("File\u2026")), &QAction::triggered, this,
                decryptSide ? &TCryptForm::SelectFileDecClick : &TCryptForm::SelectFileEncClick);
        connect(menu->addAction(QStringLiteral("Folder\u2026")), &QAction::triggered, this,
                [this, decryptSide] { selectFolder(decryptSide); });
    }
    // Typing in a field replaces a list of files with the one typed.
    connect(EncFileEdit, &QLineEdit::textEdited, this, [this] { m_encFiles.clear(); EncFileEdit->setToolTip({}); });
    connect(DecFileEdit, &QLineEdit::textEdited, this, [this] { m_decFiles.clear(); DecFileEdit->setToolTip({}); });
    // Enter in a field must not press a button.
    for (QPushButton* b : {AddMailBoxbtn, ClearRecipientbtn})
        b->setAutoDefault(false);
    setAcceptDrops(true);
}

void TCryptForm::InitButtons()
{
    for (THNoShape* b : {Encryptbtn, Decryptbtn, Shredderbtn, PGPKeyGen, Optionsbtn, Aboutbtn, CloseBtn, closetopbtn,
                         Minimizebtn})
        b->setTransparentColor(Qt::black);
}

// ---- key ring and recipient ----

void TCryptForm::DataSourceDataChange()
{
    m_recipientSelected = false;
    DBGrid->followKeyRing();
    DBGrid->viewport()->update();
}

void TCryptForm::refreshGrid()
{
    m_recipientSelected = false;
    DBGrid->reload();
}

void TCryptForm::AddMailBoxbtnClick()
{
    if (m_busy) return;
    zerath::KeyRing& ring = m_ctx.mainKeyRing();
    if (!ring.Active() || !ring.HasCurrent()) return;
    showRecipient(KeyText(ring.FieldAsString("KeyID")), KeyText(ring.FieldAsString("UserID")));
    m_recipientSelected = true;
    DBGrid->viewport()->update();
}

void TCryptForm::ClearRecipientbtnClick()
{
    if (m_busy) return;
    showRecipient(QString(), QString());
    m_recipientSelected = false;
    DBGrid->viewport()->update();
}

void TCryptForm::showRecipient(const QString& keyId, const QString& userId)
{
    MailBoxKeyID->setText(keyId);
    elided::setText(MailBoxUserID, userId); // a long ID shows its start; the whole of it is the hint
}

// What a failed or cancelled command left in the panels is not about any file.
void TCryptForm::blankStatus()
{
    for (int i = 0; i < Status->panelCount(); ++i) Status->setPanelText(i, QString());
}

// ---- file fields ----

QString TCryptForm::fileStatusText(const QString& fileName, bool decryptSide)
{
    if (fileName.isEmpty()) return QStringLiteral("No file loaded");
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir())
        return decryptSide ? QStringLiteral("File do not exist!") : QStringLiteral("File Do not exist!");
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return decryptSide ? QStringLiteral("Cannot open file!") : QStringLiteral("Cannot open file");
    const qint64 size = f.size();
    f.close();
    return QStringLiteral("File size: ") + FormatThousands(QString::number(size)) + QStringLiteral(" bytes");
}

void TCryptForm::SelectFileEncClick()
{
    if (m_busy) return;
    const QStringList names =
        Messages::openFileNames(QStringLiteral("Select File to Encrypt"), QStringLiteral("All Files (*)|*"));
    if (names.isEmpty()) return;
    setFileList(EncFileEdit, names, false);
}

void TCryptForm::SelectFileDecClick()
{
    if (m_busy) return;
    const QStringList names = Messages::openFileNames(QStringLiteral("Select File to Decrypt"),
                                                      QStringLiteral("Encrypted Files (*.enc)|*.enc|All Files (*)|*"));
    if (names.isEmpty()) return;
    setFileList(DecFileEdit, names, true);
}

void TCryptForm::openFiles(const QStringList& files)
{
    if (m_busy) return;
    QString keyFile, encrypted, other;
    for (const QString& file : files) {
        const QString path = QFileInfo(file).absoluteFilePath();
        switch (zerath::KindOfFile(localPath(path))) {
        case zerath::FileKind::KeyFile: if (keyFile.isEmpty()) keyFile = path; break;
        case zerath::FileKind::Encrypted: if (encrypted.isEmpty()) encrypted = path; break;
        case zerath::FileKind::Other: if (other.isEmpty()) other = path; break;
        }
    }
    if (!other.isEmpty()) setFileList(EncFileEdit, {other}, false);
    if (!encrypted.isEmpty()) setFileList(DecFileEdit, {encrypted}, true);
    if (!keyFile.isEmpty() && m_ctx.importKeyFile) guarded(this, [&] { m_ctx.importKeyFile(this, keyFile); });
}

void TCryptForm::SaveConfigClick()
{
    if (m_busy) return;
    guarded(this, [this] { m_ctx.settings().SaveStealthyCipher(CipherAutoSelectCB->isChecked()); });
}

// ---- commands ----

bool TCryptForm::startCommand()
{
    if (m_busy) return false;
    m_ctx.checkOutsideChanges();
    return true;
}

void TCryptForm::EncryptbtnClick()
{
    if (!startCommand()) return;
    BusyScope busy(m_busy);
    zerath::EncryptOptions o;
    o.keyId = MailBoxKeyID->text().toStdString();
    const QStringList files = fileList(false);
    o.sourcePath = localPath(files.value(0));
    o.cipherIndex = cbxCipher->currentIndex() < 0 ? zerath::kDefaultCipherIndex : cbxCipher->currentIndex();
    o.stealthyCipher = CipherAutoSelectCB->isChecked();
    o.wipeOriginal = WipeOutOriginalFileCB->isChecked();
    o.compressionIndex = m_ctx.compressionLevel();
    bool wiped = false;
    o.shredFile = [this, &wiped](const std::string& path) {
        m_ctx.shredder().ShredFile(path);
        wiped = true;
    };
    if (auto batch = batchFiles(false, o.wipeOriginal)) {
        if (runBatch(false, std::move(batch->skipped), [&](GuiFileCommandUi& ui) {
                return zerath::EncryptFiles(m_ctx.mainKeyRing(), o, batch->files, ui);
            }) && wiped)
            setFileList(EncFileEdit, {}, false);
        return;
    }

    zerath::FileCommandResult result;
    bool failed = true;
    {
        GuiFileCommandUi ui(this, m_progress, Status, cbxCipher, m_ctx.pump());
        guarded(this, [&] {
            result = zerath::EncryptFile(m_ctx.mainKeyRing(), o, ui);
            failed = false;
        });
    }
    m_recipientSelected = m_ctx.mainKeyRing().RecipientSelected();
    DBGrid->viewport()->update();
    if (failed || !result.done) return blankStatus();
    if (wiped) EncFileEdit->clear();
    Messages::show(this, Messages::Kind::Information, QString::fromUtf8(result.message));
}

void TCryptForm::DecryptbtnClick()
{
    if (!startCommand()) return;
    BusyScope busy(m_busy);
    zerath::DecryptOptions o;
    o.keyId = MailBoxKeyID->text().toStdString();
    const QStringList files = fileList(true);
    o.encryptedPath = localPath(files.value(0));
    if (auto batch = batchFiles(true, false)) {
        runBatch(true, std::move(batch->skipped), [&](GuiFileCommandUi& ui) {
            return zerath::DecryptFiles(m_ctx.mainKeyRing(), o.keyId, batch->files, ui);
        });
        return;
    }

    zerath::FileCommandResult result;
    bool failed = true;
    {
        GuiFileCommandUi ui(this, m_progress, Status, cbxCipher, m_ctx.pump());
        guarded(this, [&] {
            result = zerath::DecryptFile(m_ctx.mainKeyRing(), o, ui);
            failed = false;
        });
    }
    keepRecipientHighlight();
    if (failed || !result.done) return blankStatus();
    Messages::show(this, Messages::Kind::Information, QString::fromUtf8(result.message));
}

void TCryptForm::ShredderbtnClick()
{
    if (m_busy || !m_ctx.showShredder) return;
    guarded(this, [this] { m_ctx.showShredder(this); });
}

void TCryptForm::PGPKeyGenClick()
{
    if (m_busy) return;
    PGPKeyGen->setTransparentColor(Qt::black);
    if (!m_ctx.showKeyManager) return;
    guarded(this, [this] { m_ctx.showKeyManager(this); });
}

void TCryptForm::OptionsbtnClick()
{
    if (m_busy || !m_options) return;
    if (!m_options->showModalOver(this)) return;
    const int index = m_options->compressionIndex();
    m_ctx.setCompressionLevel(index); // only 0..3 changes it
    guarded(this, [&] { m_ctx.settings().SaveOptions(index, m_options->passCount()); });
}

void TCryptForm::AboutbtnClick()
{
    if (m_busy || !m_about) return;
    m_about->execOver(this);
}

// ---- window ----

void TCryptForm::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    if (Messages::show(this, Messages::Kind::Warning, QString::fromLatin1(kCloseQuestion),
                       Messages::Buttons::OkCancel) != Messages::Answer::Ok) {
        event->ignore();
        return;
    }
    SkinnedWindow::closeEvent(event);
}

void TCryptForm::keyPressEvent(QKeyEvent* event)
{
    // Escape cancels a run also when the main window took the focus during it.
    if (event->key() == Qt::Key_Escape && m_busy && m_progress && m_progress->Cancelbtn->isEnabled()) {
        m_progress->Cancelbtn->click();
        event->accept();
        return;
    }
    SkinnedWindow::keyPressEvent(event);
}

bool TCryptForm::eventFilter(QObject* watched, QEvent* event)
{
    // While a command runs the grid keeps painting but its cursor stays put,
    // so the record the command works on cannot change under it.
    if (m_busy && (watched == DBGrid || watched == DBGrid->viewport())) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            return true;
        default:
            break;
        }
    }
    return SkinnedWindow::eventFilter(watched, event);
}
