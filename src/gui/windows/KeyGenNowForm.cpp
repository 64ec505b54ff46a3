#include "windows/KeyGenNowForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <exception>

#include "app/AppContext.h"
#include "common/Resources.h"
#include "common/Screenshots.h"
#include "pubkey/KeyDateTime.h"
#include "windows/KeyWindows.h"

using namespace keywin;

// What the worker needs and what it gives back. The worker touches nothing
// else: the window reads the outcome only after the thread has finished.
struct TKeyGenNowForm::Job {
    std::string folder;
    std::string owner;
    zerath::SecureString passphrase;
    int bits = zerath::kGeneratedKeyBits;

    zerath::KeyPairResult result;
    bool ok = false;
    zerath::UserMessage::Kind kind = zerath::UserMessage::ErrorBox;
    std::string error;
};

TKeyGenNowForm::TKeyGenNowForm(AppContext& context, QWidget* parent) : SkinnedWindow(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("KeyGenNowForm"));
    setWindowTitle(QStringLiteral("Keys Generator"));
    setBackground(QString::fromLatin1(Pictures::KeyGeneration));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(true);
    buildControls();
}

TKeyGenNowForm::~TKeyGenNowForm()
{
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    m_job.reset();
    if (m_cursorShown) QApplication::restoreOverrideCursor();
    wipeEdit(Passphrase);
    wipeEdit(ConfirmPassphrase);
}

void TKeyGenNowForm::buildControls()
{
    Label7 = addTitle(QStringLiteral("Keys Generator"));
    Label7->setObjectName(QStringLiteral("Label7"));

    const int labelX = 22, editX = 150, rowH = 22;
    const auto caption = [this](const char* name, const QString& text, int y) {
        QLabel* l = addLabel(text, labelX, y + 3, editX - labelX - 4, 16);
        l->setObjectName(QString::fromLatin1(name));
        styleCaption(l);
        return l;
    };
    const auto edit = [this](const char* name, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(uiFont(12));
        place(e, editX, y, w, rowH);
        return e;
    };
    // Each entry is spoken by the caption on its left.
    const auto named = [](QLabel* caption, QLineEdit* e) { caption->setBuddy(e); };

    int y = 48;
    Label1 = caption("Label1", QStringLiteral("Key Pair Username:"), y);
    KeyUsernameed = edit("KeyUsernameed", y, 144);
    named(Label1, KeyUsernameed);
    // The two direction buttons: one of them is always down.
    Latin_Dir = new QToolButton(this);
    Latin_Dir->setObjectName(QStringLiteral("Latin_Dir"));
    Latin_Dir->setToolTip(QStringLiteral("Arabic direction"));
    Latin_Dir->setAccessibleName(QStringLiteral("Right-to-left typing"));
    Latin_Dir->setArrowType(Qt::LeftArrow);
    Arabic_Dir = new QToolButton(this);
    Arabic_Dir->setObjectName(QStringLiteral("Arabic_Dir"));
    Arabic_Dir->setToolTip(QStringLiteral("Latin direction"));
    Arabic_Dir->setAccessibleName(QStringLiteral("Left-to-right typing"));
    Arabic_Dir->setArrowType(Qt::RightArrow);
    DirGroup = new QButtonGroup(this);
    DirGroup->setExclusive(true);
    for (QToolButton* b : {Latin_Dir, Arabic_Dir}) {
        b->setCheckable(true);
        b->setFocusPolicy(Qt::StrongFocus); // Space picks the direction
        DirGroup->addButton(b);
    }
    Arabic_Dir->setChecked(true);
    place(Latin_Dir, editX + 148, y, 22, rowH);
    place(Arabic_Dir, editX + 172, y, 22, rowH);

    y += 25;
    Label2 = caption("Label2", QStringLiteral("Key Length:"), y);
    KeyLengthed = edit("KeyLengthed", y, 60);
    KeyLengthed->setText(QString::number(zerath::kGeneratedKeyBits));
    KeyLengthed->setReadOnly(true);
    named(Label2, KeyLengthed);

    y += 25;
    Label5 = caption("Label5", QStringLiteral("Creation Date:"), y);
    CDate = edit("CDate", y, 144);
    CDate->setReadOnly(true);
    named(Label5, CDate);
    // Tab passes over what cannot be typed in.
    for (QLineEdit* e : {KeyLengthed, CDate})
        e->setFocusPolicy(Qt::ClickFocus);

    y += 25;
    Label3 = caption("Label3", QStringLiteral("Passphrase:"), y);
    Passphrase = edit("Passphrase", y, 194);
    named(Label3, Passphrase);
    y += 25;
    Label4 = caption("Label4", QStringLiteral("Confirm Passphrase:"), y);
    ConfirmPassphrase = edit("ConfirmPassphrase", y, 194);
    named(Label4, ConfirmPassphrase);
    for (QLineEdit* e : {Passphrase, ConfirmPassphrase}) {
        setMasked(e, true);
        e->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    }

    y += 25;
    HideTypeCBx = new QCheckBox(QStringLiteral("Hide typing"), this);
    HideTypeCBx->setObjectName(QStringLiteral("HideTypeCBx"));
    HideTypeCBx->setFont(uiFont(12));
    setTextColour(HideTypeCBx, kLabelText);
    HideTypeCBx->setChecked(true);
    place(HideTypeCBx, editX, y, 110, 20);
    Candidates = addLabel(QString(), editX + 112, y + 2, 82, 16);
    Candidates->setObjectName(QStringLiteral("Candidates"));
    Candidates->setFont(uiFont(11));
    Candidates->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(Candidates, kHeadingText);

    y += 24;
    Label6 = addLabel(QStringLiteral("Status:"), labelX, y, 50, 16);
    Label6->setObjectName(QStringLiteral("Label6"));
    styleCaption(Label6, true);
    Status = addLabel(QStringLiteral("-"), labelX + 52, y, 344 - labelX - 52, 16);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setFont(uiFont(12));
    setTextColour(Status, kHeadingText);

    const int by = 218, bw = 100, bh = 26;
    Clearbtn = new QPushButton(QStringLiteral("Clear All"), this);
    Clearbtn->setObjectName(QStringLiteral("Clearbtn"));
    place(Clearbtn, 22, by, bw, bh);
    GenerateBtn = new QPushButton(QStringLiteral("&Generate Now"), this);
    GenerateBtn->setObjectName(QStringLiteral("GenerateBtn"));
    GenerateBtn->setEnabled(false);
    place(GenerateBtn, 132, by, bw, bh);
    Closebtn = new QPushButton(QStringLiteral("Close"), this);
    Closebtn->setObjectName(QStringLiteral("Closebtn"));
    place(Closebtn, 242, by, bw, bh);
    for (QPushButton* b : {Clearbtn, GenerateBtn, Closebtn}) {
        b->setFont(uiFont(12));
        b->setAutoDefault(false);
    }

    // Only the user name and the first passphrase decide about the button.
    connect(KeyUsernameed, &QLineEdit::textChanged, this, &TKeyGenNowForm::EnableKeyGen);
    connect(Passphrase, &QLineEdit::textChanged, this, &TKeyGenNowForm::EnableKeyGen);
    connect(HideTypeCBx, &QCheckBox::toggled, this, &TKeyGenNowForm::HideTypeCBxClick);
    connect(Latin_Dir, &QToolButton::clicked, this, &TKeyGenNowForm::Latin_DirClick);
    connect(Arabic_Dir, &QToolButton::clicked, this, &TKeyGenNowForm::Arabic_DirClick);
    connect(Clearbtn, &QPushButton::clicked, this, &TKeyGenNowForm::ClearbtnClick);
    connect(GenerateBtn, &QPushButton::clicked, this, &TKeyGenNowForm::GenerateBtnClick);
    connect(Closebtn, &QPushButton::clicked, this, &TKeyGenNowForm::reject);
    // Enter in an entry starts the generation once the fields allow it.
    for (QLineEdit* e : {KeyUsernameed, Passphrase, ConfirmPassphrase})
        connect(e, &QLineEdit::returnPressed, this, [this] {
            if (GenerateBtn->isEnabled()) GenerateBtn->click();
        });
}

void TKeyGenNowForm::showEvent(QShowEvent* event)
{
    SkinnedWindow::showEvent(event);
    if (!event->spontaneous() && !isGenerating()) ClearbtnClick();
}

void TKeyGenNowForm::closeEvent(QCloseEvent* event)
{
    if (isGenerating()) {
        event->ignore();
        return;
    }
    SkinnedWindow::closeEvent(event);
}

void TKeyGenNowForm::reject()
{
    if (isGenerating()) return;
    SkinnedWindow::reject();
}

void TKeyGenNowForm::EnableKeyGen()
{
    if (isGenerating()) return;
    GenerateBtn->setEnabled(KeyUsernameed->text().size() >= kMinUserNameLength &&
                            Passphrase->text().size() >= kMinPassphraseLength);
}

void TKeyGenNowForm::ClearbtnClick()
{
    KeyUsernameed->clear();
    CDate->clear();
    wipeEdit(Passphrase);
    wipeEdit(ConfirmPassphrase);
    Status->clear();
    Candidates->clear();
}

void TKeyGenNowForm::HideTypeCBxClick()
{
    const bool hide = HideTypeCBx->isChecked();
    setMasked(Passphrase, hide);
    setMasked(ConfirmPassphrase, hide);
}

// Without keyboard layouts to switch, the direction buttons set the entries'
// writing direction only.
void TKeyGenNowForm::setDirection(Qt::LayoutDirection direction)
{
    for (QLineEdit* e : {KeyUsernameed, Passphrase, ConfirmPassphrase})
        e->setLayoutDirection(direction);
}

void TKeyGenNowForm::Latin_DirClick()
{
    Latin_Dir->setChecked(true);
    setDirection(Qt::RightToLeft);
}

void TKeyGenNowForm::Arabic_DirClick()
{
    Arabic_Dir->setChecked(true);
    setDirection(Qt::LeftToRight);
}

void TKeyGenNowForm::setBusy(bool busy)
{
    for (QPushButton* b : {GenerateBtn, Clearbtn, Closebtn})
        b->setEnabled(!busy);
    // The entries keep what is being generated until the worker is done.
    for (QLineEdit* e : {KeyUsernameed, Passphrase, ConfirmPassphrase})
        e->setReadOnly(busy);
    if (busy && !m_cursorShown) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursorShown = true;
    } else if (!busy && m_cursorShown) {
        QApplication::restoreOverrideCursor();
        m_cursorShown = false;
    }
}

void TKeyGenNowForm::GenerateBtnClick()
{
    if (isGenerating()) return;
    {
        QString a = Passphrase->text(), b = ConfirmPassphrase->text();
        const bool same = a == b;
        wipe(a);
        wipe(b);
        if (!same) {
            Messages::show(this, Messages::Kind::Warning, QString::fromLatin1(kMismatchText));
            return;
        }
    }

    auto job = std::make_shared<Job>();
    job->folder = localPath(m_ctx.dataFolder());
    job->owner = KeyUsernameed->text().toStdString();
    job->passphrase = secureText(Passphrase);
    bool bitsOk = false;
    job->bits = KeyLengthed->text().trimmed().toInt(&bitsOk);
    if (!bitsOk) job->bits = zerath::kGeneratedKeyBits;

    m_job = job;
    m_candidates = 0;
    setBusy(true);
    Status->setText(QString::fromLatin1(kStartedText));
    Candidates->setText(QStringLiteral("0 tried"));

    // The worker gets its own copy of everything; the count of candidates
    // comes back to the window through its event queue.
    m_worker = QThread::create([this, job] {
        const zerath::KeyGenProgress progress = [this](int tried) {
            QMetaObject::invokeMethod(this, [this, tried] { onProgress(tried); }, Qt::QueuedConnection);
        };
        try {
            job->result = zerath::GenerateKeyPairFiles(job->folder, job->owner, job->passphrase, zerath::nullPump(),
                                                       progress, job->bits);
            job->ok = true;
        } catch (const zerath::UserMessage& m) {
            job->kind = m.kind();
            job->error = m.what();
        } catch (const std::exception& e) {
            job->error = e.what();
        } catch (...) {
            job->error = "Unknown error";
        }
        job->passphrase.wipe();
    });
    m_worker->setObjectName(QStringLiteral("KeyPairGeneration"));
    connect(m_worker, &QThread::finished, this, &TKeyGenNowForm::onWorkerFinished);
    m_worker->start();
}

void TKeyGenNowForm::onProgress(int candidates)
{
    if (!isGenerating()) return;
    m_candidates = candidates;
    Candidates->setText(QStringLiteral("%1 tried").arg(candidates));
}

void TKeyGenNowForm::onWorkerFinished()
{
    if (!m_worker) return;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    const std::shared_ptr<Job> job = std::move(m_job);
    m_job.reset();

    setBusy(false);
    EnableKeyGen();
    Candidates->clear();
    if (job->ok) {
        m_last = job->result;
        CDate->setText(QString::fromStdString(job->result.CreationDate));
        Status->setText(QString::fromStdString(zerath::KeyPairGeneratedStatus(job->result.ElapsedMs)));
        // Where the two files are, and the one way they reach the key ring.
        Messages::show(this, Messages::Kind::Information,
                       Status->text() + QStringLiteral("\r\r") + QString::fromStdString(job->result.PrivateKeyFile) +
                           QStringLiteral("\r") + QString::fromStdString(job->result.PublicKeyFile) +
                           QStringLiteral("\r\r") + QString::fromLatin1(kImportHint));
        // The next import dialog opens where the new files are.
        Messages::setStartFolder(QFileInfo(QString::fromStdString(job->result.PrivateKeyFile)).absolutePath());
        emit generationFinished(true);
    } else {
        Status->clear();
        Messages::show(this, boxKind(job->kind), QString::fromUtf8(job->error.c_str()));
        emit generationFinished(false);
    }
}

// ---- screenshot: a finished generation ----

namespace {

QWidget* makeKeyGenScreenshot()
{
    auto* form = new TKeyGenNowForm(keywin::screenshotContext());
    // Showing the dialog empties it; the entries are filled once it is up.
    QTimer::singleShot(0, form, [form] {
        form->KeyUsernameed->setText(QStringLiteral("Alice Example"));
        form->Passphrase->setText(QStringLiteral("correct horse"));
        form->ConfirmPassphrase->setText(QStringLiteral("correct horse"));
        form->CDate->setText(QString::fromStdString(zerath::CurrentKeyDateTime().Date));
        form->Status->setText(QString::fromStdString(zerath::KeyPairGeneratedStatus(4200)));
    });
    return form;
}

} // namespace

ZERATH_SCREENSHOT(keygen, makeKeyGenScreenshot);
