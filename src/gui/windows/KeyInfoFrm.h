#pragma once
// The key information dialog: the key's picture and its details as text, which
// the user may copy to the clipboard or save as a text file.
#include <QPixmap>
#include <QStringList>

#include <string>
#include <vector>

#include "widgets/SkinnedWindow.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TKeyInfoFrm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 365;
    static constexpr int kHeight = 260;
    static constexpr const char* kSaveTitle = "Save key Info";
    static constexpr const char* kSaveFilter = "Text file (*.txt)|*.txt";

    explicit TKeyInfoFrm(QWidget* parent = nullptr);

    // Fills the memo with the lines and shows picture 0 (a public key) or 1 (a
    // key pair) of keyList.
    void setKeyInformation(const std::vector<std::string>& lines, int picture);
    const std::vector<std::string>& lines() const { return m_lines; }
    int picture() const { return m_picture; }

    // The handlers, as the controls call them.
    void CopybtnClick();
    void savebtnClick();

    // Controls.
    QLabel* Label3;
    QFrame* KeyPanel;
    QLabel* KeyIMG;
    QPlainTextEdit* keyinfoMemo;
    QPushButton* Copybtn;
    QPushButton* savebtn;
    QPushButton* closebtn;
    QPixmap keyList[2];

private:
    std::vector<std::string> m_lines;
    int m_picture = 0;
};
