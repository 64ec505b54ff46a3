#pragma once
// The end of a batch: how many files were done, then what was not done grouped
// by reason, each group a branch of a list that scrolls inside a window that
// fits the screen, however many files there were. Save writes the whole
// summary, every file named, as plain text.
#include <QDialog>

#include <string>

#include "filecrypt/BatchCommands.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class BatchSummaryDlg : public QDialog {
    Q_OBJECT
public:
    BatchSummaryDlg(const zerath::BatchResult& result, bool decrypt, QWidget* parent = nullptr);

    // Names listed per reason; the saved text holds them all.
    static constexpr int kNamesShown = 200;

    // The dialog, or in scripted mode (tests) a box with text().
    static void showFor(QWidget* parent, const zerath::BatchResult& result, bool decrypt);
    // The headline and each reason with its files' names, as the list shows them.
    static QString text(const zerath::BatchResult& result, bool decrypt);

    QLabel* Headline;
    QTreeWidget* Reasons;
    QPushButton* Savebtn;
    QPushButton* OKbtn;

private:
    void save();
    std::string m_report;
};
