#include "windows/PopupFrm.h"
#include "app/WindowLook.h"
#include "widgets/UiScale.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cmath>

#include "common/Resources.h"
#include "widgets/Accessibles.h"
#include "common/Screenshots.h"

Tpopupfrm::Tpopupfrm(QWidget* parent)
    : SkinnedWindow(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("popupfrm"));
    setWindowTitle(QStringLiteral("Zerath"));
    setBackground(QString::fromLatin1(Pictures::Progress));
    if (background().isNull())
        setFixedSize(366, 150);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 18, 18));
    setModal(false);
    setEscapeCloses(false);
    const QLabel* title = addTitle(QStringLiteral("Please wait..."));
    const auto line = [this](int y) {
        QLabel* l = addLabel(QStringLiteral("-"), 28, y, 320, 20);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0xE8, 0xF0, 0xF6));
        l->setPalette(pal);
        l->setFont(look::uiFont(13));
        return l;
    };
    process1 = line(48);
    process2 = line(70);
    process3 = line(92);
    process1->setObjectName(QStringLiteral("process1"));
    process2->setObjectName(QStringLiteral("process2"));
    process3->setObjectName(QStringLiteral("process3"));
    // Right of the title, never over it (places are in the picture's design pixels).
    const int w = designSize().isValid() ? designSize().width() : 366;
    const int batchX = std::max(120, int(title->geometry().right() / ui::scale()) + 12);
    batchLine = addLabel(QString(), batchX, 9, w - 20 - batchX, 20);
    batchLine->setObjectName(QStringLiteral("batchLine"));
    batchLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // elided to its place
    batchLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    speedLine = addLabel(QString(), 28, 122, w - 140, 15);
    speedLine->setObjectName(QStringLiteral("speedLine"));
    for (QLabel* l : {batchLine, speedLine}) {
        l->setPalette(process1->palette());
        l->setFont(look::uiFont(11));
    }
    Cancelbtn = place(new QPushButton(QStringLiteral("Cancel"), this), w - 28 - 76, 111, 76, 24);
    Cancelbtn->setObjectName(QStringLiteral("Cancelbtn"));
    Cancelbtn->setAutoDefault(false);
    // The bar is painted on the picture over its stand-in, which tells screen readers its share.
    m_bar = place(new a11y::ProgressStandIn(this), 28, 116, w - 142, 4);
    // Removing an unfinished output may take a moment: the window says so at once.
    connect(Cancelbtn, &QPushButton::clicked, this, [this] {
        m_cancel = true;
        Cancelbtn->setEnabled(false);
        Cancelbtn->setText(QStringLiteral("Cancelling\u2026"));
        repaint();
    });
}

void Tpopupfrm::setBatchText(const QString& file, const QString& speed)
{
    batchLine->setText(file);
    speedLine->setText(speed);
    setAccessibleName(file.isEmpty() ? QStringLiteral("Please wait...") : file);
}

void Tpopupfrm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (Cancelbtn->isEnabled()) Cancelbtn->click();
        return;
    }
    SkinnedWindow::keyPressEvent(event);
}

void Tpopupfrm::setLines(const QString& line1, const QString& line2, const QString& line3, int boldIndex)
{
    QLabel* labels[3] = {process1, process2, process3};
    const QString texts[3] = {line1, line2, line3};
    m_bold = (boldIndex >= 1 && boldIndex <= 3) ? boldIndex : 0;
    for (int i = 0; i < 3; ++i) {
        labels[i]->setText(texts[i]);
        QFont f = labels[i]->font();
        f.setBold(i + 1 == m_bold);
        labels[i]->setFont(f);
    }
    // The line in hand describes the focused Cancel button, so a screen reader
    // says it as it changes ("Data uncompress started...").
    const QString current = m_bold ? texts[m_bold - 1] : QString();
    Cancelbtn->setAccessibleDescription(current);
    setAccessibleDescription(current);
}

void Tpopupfrm::setFraction(double fraction)
{
    if (std::isnan(fraction))
        fraction = 0.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update(m_bar->geometry().adjusted(-1, -1, 1, 1));
    m_bar->setPercent(int(std::lround(fraction * 100)));
}

void Tpopupfrm::resetLines()
{
    setLines(QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), 0);
    setFraction(0.0);
    setBatchText(QString(), QString());
    m_cancel = false;
    Cancelbtn->setEnabled(true);
    Cancelbtn->setText(QStringLiteral("Cancel"));
}

void Tpopupfrm::showOver(QWidget* mainWindow)
{
    showCentredOver(mainWindow);
    activateWindow();
    Cancelbtn->setFocus();
}

void Tpopupfrm::paintEvent(QPaintEvent* event)
{
    SkinnedWindow::paintEvent(event);
    QPainter p(this);
    const QRect bar = m_bar->geometry();
    p.fillRect(bar, QColor(0x0B, 0x17, 0x22));
    const int filled = int(std::lround(m_fraction * bar.width()));
    if (filled > 0) {
        QLinearGradient g(bar.topLeft(), bar.topRight());
        g.setColorAt(0.0, QColor(0x3A, 0x9B, 0xD9));
        g.setColorAt(1.0, QColor(0x8F, 0xE3, 0xFF));
        p.fillRect(QRect(bar.left(), bar.top(), filled, bar.height()), g);
    }
}

ZERATH_SCREENSHOT(progress, [] {
    auto* w = new Tpopupfrm;
    // An encryption half-way: compression and encipherment run together.
    w->setLines(QStringLiteral("Compression started, please wait..."), QStringLiteral("Encryption, waiting."),
                QStringLiteral("Saving data, waiting."), 1);
    w->setFraction(0.42);
    return w;
})

ZERATH_SCREENSHOT(progress_batch, [] {
    auto* w = new Tpopupfrm;
    w->setLines(QStringLiteral("Data decryption done."), QStringLiteral("Data uncompress started, please wait..."),
                QStringLiteral("Saving data, waiting."), 2);
    w->setFraction(0.46);
    // A folder batch: the name gives way in its middle, "File N of M" stays.
    const QString head = QStringLiteral("File 212 of 5,000: ");
    const QFontMetrics m = w->batchLine->fontMetrics();
    w->setBatchText(head + m.elidedText(QStringLiteral("2026-07-14 Summer holidays at the beach, Marseille.jpg.enc"),
                                        Qt::ElideMiddle, w->batchLine->width() - m.horizontalAdvance(head) - 4),
                    QStringLiteral("46%  \u00b7  38.2 MB/s  \u00b7  0:07 left"));
    w->Cancelbtn->setFocus();
    return w;
})
