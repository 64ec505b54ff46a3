#include "windows/PopupFrm.h"

#include <QLabel>
#include <QPainter>
#include <cmath>

#include "common/Resources.h"
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
    addTitle(QStringLiteral("Please wait..."));
    const auto line = [this](int y) {
        QLabel* l = addLabel(QStringLiteral("-"), 28, y, 320, 20);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0xE8, 0xF0, 0xF6));
        l->setPalette(pal);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(13);
        l->setFont(f);
        return l;
    };
    process1 = line(48);
    process2 = line(70);
    process3 = line(92);
    process1->setObjectName(QStringLiteral("process1"));
    process2->setObjectName(QStringLiteral("process2"));
    process3->setObjectName(QStringLiteral("process3"));
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
}

void Tpopupfrm::setFraction(double fraction)
{
    if (std::isnan(fraction))
        fraction = 0.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update(barRect().adjusted(-1, -1, 1, 1));
}

void Tpopupfrm::resetLines()
{
    setLines(QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), 0);
    setFraction(0.0);
}

void Tpopupfrm::showOver(QWidget* mainWindow)
{
    showCentredOver(mainWindow);
}

QRect Tpopupfrm::barRect() const
{
    return QRect(28, 122, width() - 56, 4);
}

void Tpopupfrm::paintEvent(QPaintEvent* event)
{
    SkinnedWindow::paintEvent(event);
    QPainter p(this);
    const QRect bar = barRect();
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
