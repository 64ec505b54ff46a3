#include "windows/ChangePassFrm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/Resources.h"
#include "common/Screenshots.h"
#include "windows/KeyWindows.h"

using namespace keywin;

TChangePassFrm::TChangePassFrm(QWidget* parent) : SkinnedWindow(parent)
{
    setObjectName(QStringLiteral("ChangePassFrm"));
    setWindowTitle(QStringLiteral("Change Passphrase"));
    setBackground(QString::fromLatin1(Pictures::ChangePassphrase));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(true);

    Label4 = addTitle(QStringLiteral("Change Passphrase"));
    Label4->setObjectName(QStringLiteral("Label4"));

    const int labelX = 22, editX = 150, editW = 194, rowH = 22;
    const auto row = [this](const char* labelName, const QString& caption, QLabel*& label, const char* editName,
                            QLineEdit*& edit, int y) {
        label = addLabel(caption, labelX, y + 3, editX - labelX - 4, 16);
        label->setObjectName(QString::fromLatin1(labelName));
        styleCaption(label);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setFont(uiFont(12));
        place(edit, editX, y, editW, rowH);
        label->setBuddy(edit); // the entry is spoken by its caption
    };
    row("Label5", QStringLiteral("User ID:"), Label5, "UserID", UserID, 52);
    UserID->setReadOnly(true);
    UserID->setFocusPolicy(Qt::ClickFocus); // typing starts in the current passphrase
    row("Label1", QStringLiteral("Current Passphrase:"), Label1, "edtCurrentpass", edtCurrentpass, 88);
    row("Label2", QStringLiteral("New Passphrase:"), Label2, "edtNewPass", edtNewPass, 116);
    row("Label3", QStringLiteral("Confirm Passphrase:"), Label3, "edtConfirmPass", edtConfirmPass, 144);
    for (QLineEdit* e : {edtCurrentpass, edtNewPass, edtConfirmPass}) {
        setMasked(e, true);
        e->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    }

    HideTypingCB = new QCheckBox(QStringLiteral("Hide Typing"), this);
    HideTypingCB->setObjectName(QStringLiteral("HideTypingCB"));
    HideTypingCB->setFont(uiFont(12));
    setTextColour(HideTypingCB, kLabelText);
    HideTypingCB->setChecked(true);
    place(HideTypingCB, editX, 172, 120, 20);

    const int by = 216, bh = 26;
    Applybtn = new QPushButton(QStringLiteral("&Apply Change"), this);
    Applybtn->setObjectName(QStringLiteral("Applybtn"));
    place(Applybtn, 22, by, 110, bh);
    BitBtn1 = new QPushButton(QStringLiteral("Clear"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    place(BitBtn1, 138, by, 96, bh);
    cancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    place(cancelBtn, 240, by, 104, bh);
    for (QPushButton* b : {Applybtn, BitBtn1, cancelBtn}) {
        b->setFont(uiFont(12));
        b->setAutoDefault(false);
    }

    connect(HideTypingCB, &QCheckBox::toggled, this, &TChangePassFrm::HideTypingCBClick);
    connect(Applybtn, &QPushButton::clicked, this, &TChangePassFrm::accept);
    connect(BitBtn1, &QPushButton::clicked, this, &TChangePassFrm::BitBtn1Click);
    connect(cancelBtn, &QPushButton::clicked, this, &TChangePassFrm::reject);
    for (QLineEdit* e : {edtCurrentpass, edtNewPass, edtConfirmPass})
        connect(e, &QLineEdit::returnPressed, Applybtn, &QPushButton::click);
}

void TChangePassFrm::showEvent(QShowEvent* event)
{
    SkinnedWindow::showEvent(event);
    for (QLineEdit* e : {edtCurrentpass, edtNewPass, edtConfirmPass}) {
        if (e->text().isEmpty() || e == edtConfirmPass) {
            e->setFocus();
            break;
        }
    }
}

TChangePassFrm::~TChangePassFrm()
{
    clearPassphrases();
}

void TChangePassFrm::setUserID(const QString& userId)
{
    UserID->setText(userId);
    UserID->setCursorPosition(0);
}

zerath::SecureString TChangePassFrm::currentPassphrase() const
{
    return secureText(edtCurrentpass);
}

zerath::SecureString TChangePassFrm::newPassphrase() const
{
    return secureText(edtNewPass);
}

zerath::SecureString TChangePassFrm::confirmPassphrase() const
{
    return secureText(edtConfirmPass);
}

void TChangePassFrm::clearPassphrases()
{
    for (QLineEdit* e : {edtCurrentpass, edtNewPass, edtConfirmPass})
        wipeEdit(e);
}

void TChangePassFrm::HideTypingCBClick()
{
    const bool hide = HideTypingCB->isChecked();
    for (QLineEdit* e : {edtCurrentpass, edtNewPass, edtConfirmPass})
        setMasked(e, hide);
}

void TChangePassFrm::BitBtn1Click()
{
    clearPassphrases();
}

// ---- screenshot ----

namespace {

QWidget* makeChangePassScreenshot()
{
    auto* form = new TChangePassFrm;
    form->setUserID(QStringLiteral("Alice Example"));
    form->edtCurrentpass->setText(QStringLiteral("correct horse"));
    form->edtNewPass->setText(QStringLiteral("battery staple"));
    form->edtConfirmPass->setText(QStringLiteral("battery staple"));
    return form;
}

} // namespace

ZERATH_SCREENSHOT(changepass, makeChangePassScreenshot);
