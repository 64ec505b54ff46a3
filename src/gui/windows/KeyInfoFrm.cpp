#include "windows/KeyInfoFrm.h"
#include "app/TextFormat.h"
#include "widgets/UiScale.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>

#include "common/Resources.h"
#include "common/Screenshots.h"
#include "keyring/KeyManager.h"
#include "windows/KeyWindows.h"

using namespace keywin;

TKeyInfoFrm::TKeyInfoFrm(QWidget* parent) : SkinnedWindow(parent)
{
    setObjectName(QStringLiteral("KeyInfoFrm"));
    setWindowTitle(QStringLiteral("Key Information"));
    setBackground(QString::fromLatin1(Pictures::KeyInformation));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setDraggable(true);

    keyList[0] = loadPixmap(Pictures::PubKeyLarge);
    keyList[1] = loadPixmap(Pictures::PrivKeyLarge);

    Label3 = addTitle(QStringLiteral("Key Information"));
    Label3->setObjectName(QStringLiteral("Label3"));

    // The picture sits in a sunken panel.
    KeyPanel = new QFrame(this);
    KeyPanel->setObjectName(QStringLiteral("KeyPanel"));
    KeyPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    KeyPanel->setLineWidth(2);
    place(KeyPanel, 20, 50, 114, 142);
    KeyIMG = new QLabel(KeyPanel);
    KeyIMG->setObjectName(QStringLiteral("KeyIMG"));
    designPlace(KeyIMG, QRect(2, 2, 110, 138));
    KeyIMG->setScaledContents(true);
    KeyIMG->setPixmap(keyList[0]);

    keyinfoMemo = new QPlainTextEdit(this);
    keyinfoMemo->setObjectName(QStringLiteral("keyinfoMemo"));
    keyinfoMemo->setReadOnly(true);
    keyinfoMemo->setAccessibleName(QStringLiteral("Key Information"));
    keyinfoMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont memoFont(QStringLiteral("Courier New"));
    memoFont.setStyleHint(QFont::Monospace);
    // Small enough for every line, the key fingerprint's included, to show
    // without scrolling.
    ui::setDesignSize(memoFont, 10);
    keyinfoMemo->setFont(memoFont);
    keyinfoMemo->document()->setDocumentMargin(2);
    place(keyinfoMemo, 142, 50, 202, 158);

    const int by = 216, bh = 26;
    Copybtn = new QPushButton(QStringLiteral("&Copy"), this);
    Copybtn->setObjectName(QStringLiteral("Copybtn"));
    place(Copybtn, 20, by, 104, bh);
    savebtn = new QPushButton(QStringLiteral("&Save as..."), this);
    savebtn->setObjectName(QStringLiteral("savebtn"));
    place(savebtn, 142, by, 96, bh);
    closebtn = new QPushButton(QStringLiteral("Close"), this);
    closebtn->setObjectName(QStringLiteral("closebtn"));
    place(closebtn, 248, by, 96, bh);
    for (QPushButton* b : {Copybtn, savebtn, closebtn}) {
        b->setFont(uiFont(12));
        b->setAutoDefault(false);
    }
    savebtn->setDefault(true);

    connect(Copybtn, &QPushButton::clicked, this, &TKeyInfoFrm::CopybtnClick);
    connect(savebtn, &QPushButton::clicked, this, &TKeyInfoFrm::savebtnClick);
    connect(closebtn, &QPushButton::clicked, this, &TKeyInfoFrm::reject);
}

void TKeyInfoFrm::setKeyInformation(const std::vector<std::string>& lines, int picture)
{
    m_lines = lines;
    m_picture = picture == 0 ? 0 : 1;
    KeyIMG->setPixmap(keyList[m_picture]);
    QStringList text;
    for (const auto& l : lines)
        text << KeyText(l);
    keyinfoMemo->clear();
    keyinfoMemo->setPlainText(text.join(QLatin1Char('\n')));
}

void TKeyInfoFrm::CopybtnClick()
{
    keyinfoMemo->selectAll();
    QApplication::clipboard()->setText(QString::fromStdString(zerath::JoinKeyInformation(m_lines)));
}

void TKeyInfoFrm::savebtnClick()
{
    const QString name = Messages::saveFileName(QString::fromLatin1(kSaveTitle), QString::fromLatin1(kSaveFilter),
                                                QStringLiteral("txt"));
    if (name.isEmpty()) return;
    BusyCursor busy;
    runGuarded(this, [&] { zerath::SaveKeyInformation(localPath(name), m_lines); });
}

// ---- screenshot ----

namespace {

QWidget* makeKeyInfoScreenshot()
{
    const zerath::KeyRecord r = screenshotRecord();
    auto* form = new TKeyInfoFrm;
    form->setKeyInformation(zerath::KeyInformationLines(r), r.Type == zerath::kKeyTypePublic ? 0 : 1);
    return form;
}

} // namespace

ZERATH_SCREENSHOT(keyinfo, makeKeyInfoScreenshot);
