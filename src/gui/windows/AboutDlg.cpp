#include "windows/AboutDlg.h"
#include "app/WindowLook.h"

#include <QLabel>

#include "common/Resources.h"
#include "common/Screenshots.h"

namespace {

QLabel* centredLabel(SkinnedWindow* w, const QString& text, int y, int pixelSize, bool bold, QColor colour)
{
    QLabel* l = w->addLabel(text, 30, y, 300, pixelSize + 10);
    l->setFont(look::uiFont(pixelSize, bold));
    l->setAlignment(Qt::AlignCenter);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

} // namespace

Taboutdlg::Taboutdlg(QWidget* parent) : SkinnedWindow(parent)
{
    setObjectName(QStringLiteral("aboutdlg"));
    setWindowTitle(QStringLiteral("About Zerath"));
    setBackground(QString::fromLatin1(Pictures::About));
    if (background().isNull())
        setFixedSize(360, 360);
    setOutline(WindowOutline::ellipse(0, 0, width() + 1, height() + 2));
    setModal(true);
    centredLabel(this, QStringLiteral("Zerath"), 196, 30, true, Qt::white);
    centredLabel(this, QStringLiteral("Version 1.0"), 236, 14, true, QColor(0xCF, 0xE2, 0xF0));
    centredLabel(this, QStringLiteral("Public-key file encryption"), 262, 12, false, QColor(0xB4, 0xCA, 0xDC));
    centredLabel(this, QStringLiteral("Rijndael \u00b7 RC6 \u00b7 MARS \u00b7 Serpent \u00b7 Twofish"), 280, 11, false,
                 QColor(0x9A, 0xB3, 0xC8));
    centredLabel(this, QStringLiteral("zlib by J.-l. Gailly and M. Adler"), 298, 11, false, QColor(0x9A, 0xB3, 0xC8));
    DataFolderLabel = centredLabel(this, QString(), 318, 10, false, QColor(0xCF, 0xE2, 0xF0));
    DataFolderLabel->setObjectName(QStringLiteral("DataFolderLabel"));
    place(DataFolderLabel, 80, 316, 200, 18);
    DataFolderLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // elided to its place
    // A click anywhere on the picture (labels included) closes the window.
    connect(this, &SkinnedWindow::backgroundReleased, this, [this](QPoint pos, Qt::MouseButton) {
        if (rect().contains(pos))
            accept();
    });
}

void Taboutdlg::setDataFolder(const QString& folder)
{
    QString line = QStringLiteral("Data: ") + folder;
    if (line.endsWith(QLatin1Char('/')) && folder.size() > 1) line.chop(1);
    DataFolderLabel->setText(DataFolderLabel->fontMetrics().elidedText(line, Qt::ElideMiddle, DataFolderLabel->width()));
    DataFolderLabel->setToolTip(folder);
}

QPoint Taboutdlg::placementFor(const QRect& ownerFrame, QSize size)
{
    // C++ integer division truncates toward zero, as the placement rule wants.
    return QPoint(ownerFrame.left() + (ownerFrame.width() - size.width()) / 2 + 7,
                  ownerFrame.top() + (ownerFrame.height() - size.height()) / 2 + 4);
}

int Taboutdlg::execOver(QWidget* mainWindow)
{
    settleLayout();
    if (mainWindow)
        move(placementFor(mainWindow->window()->frameGeometry(), size()));
    else
        centreOver(nullptr);
    return exec();
}

ZERATH_SCREENSHOT(about, [] {
    auto* about = new Taboutdlg;
    about->setDataFolder(QStringLiteral("/home/alice/.local/share/zerath/"));
    return about;
})
