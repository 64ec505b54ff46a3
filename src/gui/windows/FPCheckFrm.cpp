#include "windows/FPCheckFrm.h"
#include "widgets/UiScale.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/Resources.h"
#include "common/Screenshots.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFingerprint.h"
#include "windows/KeyWindows.h"

using namespace keywin;

TFPCheckFrm::TFPCheckFrm(QWidget* parent) : SkinnedWindow(parent)
{
    setObjectName(QStringLiteral("FPCheckFrm"));
    setWindowTitle(QStringLiteral("Compare Fingerprints"));
    setBackground(QString::fromLatin1(Pictures::FingerprintCheck));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(false);

    Label3 = addTitle(QStringLiteral("Compare Fingerprints"));
    Label3->setObjectName(QStringLiteral("Label3"));

    QFont fpFont(QStringLiteral("Courier New"));
    fpFont.setStyleHint(QFont::Monospace);
    // Ten groups of four fit the entries whole.
    ui::setDesignSize(fpFont, 10);
    const auto row = [&](const char* labelName, const QString& caption, QLabel*& label, const char* editName,
                         QLineEdit*& edit, int y) {
        label = addLabel(caption, 14, y + 3, 34, 16);
        label->setObjectName(QString::fromLatin1(labelName));
        styleCaption(label, true);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setFont(fpFont);
        place(edit, 50, y, 302, 22);
        label->setBuddy(edit);
    };
    row("Label1", QStringLiteral("FPa:"), Label1, "FPedit1", FPedit1, 50);
    FPedit1->setReadOnly(true);
    FPedit1->setFocusPolicy(Qt::ClickFocus);
    row("Label2", QStringLiteral("FPb:"), Label2, "FPedit2", FPedit2, 78);
    FPedit1->setAccessibleDescription(QStringLiteral("Fingerprint of the selected key"));
    FPedit2->setAccessibleDescription(QStringLiteral("Fingerprint to compare with"));

    Verifybtn = new QPushButton(QStringLiteral("&Verify"), this);
    Verifybtn->setObjectName(QStringLiteral("Verifybtn"));
    place(Verifybtn, 140, 110, 98, 26);
    Closebtn = new QPushButton(QStringLiteral("Close"), this);
    Closebtn->setObjectName(QStringLiteral("Closebtn"));
    place(Closebtn, 246, 110, 98, 26);
    for (QPushButton* b : {Verifybtn, Closebtn}) {
        b->setFont(uiFont(12));
        b->setAutoDefault(false);
    }

    connect(Verifybtn, &QPushButton::clicked, this, &TFPCheckFrm::VerifybtnClick);
    connect(Closebtn, &QPushButton::clicked, this, &TFPCheckFrm::reject);
    connect(FPedit2, &QLineEdit::returnPressed, Verifybtn, &QPushButton::click);
}

void TFPCheckFrm::showEvent(QShowEvent* event)
{
    SkinnedWindow::showEvent(event);
    FPedit2->setFocus();
}

void TFPCheckFrm::setFingerprint(const QString& fingerprint, const QString& recordFingerprint)
{
    m_recordFingerprint = recordFingerprint;
    FPedit1->setText(fingerprint);
    FPedit1->setCursorPosition(0);
}

void TFPCheckFrm::VerifybtnClick()
{
    const std::string key = FPedit1->text().toStdString(), record = m_recordFingerprint.toStdString(),
                      typed = FPedit2->text().toStdString();
    showOutcome(this, zerath::CompareFingerprints(key, record, typed));
}

// ---- screenshot ----

namespace {

QWidget* makeFPCheckScreenshot()
{
    auto* form = new TFPCheckFrm;
    const zerath::KeyRecord r = screenshotRecord();
    const QString fp = QString::fromStdString(zerath::GroupedFingerprint(zerath::RecordKeyFingerprint(r)));
    form->setFingerprint(fp, QString::fromStdString(r.FP));
    // As a correspondent would read it out: one group after another.
    form->FPedit2->setText(fp.toLower());
    form->FPedit2->setCursorPosition(0);
    return form;
}

} // namespace

ZERATH_SCREENSHOT(fpcheck, makeFPCheckScreenshot);
