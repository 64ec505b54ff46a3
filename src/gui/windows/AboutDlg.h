#pragma once
#include "widgets/SkinnedWindow.h"

class QLabel;

// Round about window; a click on its picture closes it.
class Taboutdlg : public SkinnedWindow {
    Q_OBJECT
public:
    explicit Taboutdlg(QWidget* parent = nullptr);

    // The line naming the data folder (shortened in the middle to fit; the
    // whole path in its tool tip).
    void setDataFolder(const QString& folder);
    QLabel* DataFolderLabel;

    // Top-left corner for an owner frame: left + (ownerW - W)/2 + 7,
    // top + (ownerH - H)/2 + 4, halves rounded toward zero.
    static QPoint placementFor(const QRect& ownerFrame, QSize size);
    // Places itself by that rule over `mainWindow` and runs modally.
    int execOver(QWidget* mainWindow);
};
