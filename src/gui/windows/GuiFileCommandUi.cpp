#include "windows/GuiFileCommandUi.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "common/Messages.h"
#include "common/SecretText.h"
#include "widgets/ALStatusBar.h"
#include "windows/PopupFrm.h"

namespace {

QString q(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

GuiFileCommandUi::GuiFileCommandUi(QWidget* window, Tpopupfrm* progress, TALStatusBar* status,
                                   QComboBox* ciphers, zerath::MessagePump& pump)
    : m_window(window), m_progress(progress), m_status(status), m_ciphers(ciphers), m_pump(pump)
{
}

GuiFileCommandUi::~GuiFileCommandUi()
{
    if (m_progressShown) showProgress(false);
    while (m_busy > 0) setBusy(false);
}

zerath::FileCommandUi::Answer GuiFileCommandUi::askWipeOriginal(const std::string& text)
{
    switch (Messages::show(m_window, Messages::Kind::Warning, q(text), Messages::Buttons::YesNoCancel)) {
    case Messages::Answer::Yes: return Answer::Yes;
    case Messages::Answer::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool GuiFileCommandUi::confirmOverwrite(const std::string& text)
{
    return Messages::show(m_window, Messages::Kind::Confirmation, q(text), Messages::Buttons::OkCancel) ==
           Messages::Answer::Ok;
}

bool GuiFileCommandUi::askPassphrase(zerath::SecureString& passphrase)
{
    QString typed;
    const bool ok = Messages::askText(QString::fromLatin1(kPassphraseTitle), QString::fromLatin1(kPassphrasePrompt),
                                      true, &typed);
    if (ok) passphrase = secureText(typed);
    wipe(typed);
    return ok;
}

void GuiFileCommandUi::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busy;
    } else if (m_busy > 0) {
        QApplication::restoreOverrideCursor();
        --m_busy;
    }
}

void GuiFileCommandUi::showProgress(bool visible)
{
    m_progressShown = visible;
    if (!m_progress) return;
    if (visible) {
        m_progress->resetLines();
        m_progress->showOver(m_window);
        m_pump.processEvents();
    } else {
        m_progress->hide();
        m_progress->resetLines();
    }
}

void GuiFileCommandUi::setProgressLines(const std::string& l1, const std::string& l2, const std::string& l3,
                                        int bold)
{
    if (m_progress) m_progress->setLines(q(l1), q(l2), q(l3), bold >= 0 && bold <= 2 ? bold + 1 : 0);
}

void GuiFileCommandUi::setProgressFirstLine(const std::string& l1)
{
    if (m_progress) m_progress->setLines(q(l1), m_progress->process2->text(), m_progress->process3->text(), 1);
}

void GuiFileCommandUi::setProgressFraction(double fraction)
{
    if (m_progress) m_progress->setFraction(fraction);
}

void GuiFileCommandUi::setStatusPanel(int panel, const std::string& text)
{
    if (m_status) m_status->setPanelText(panel, q(text));
}

void GuiFileCommandUi::selectCipher(int index)
{
    if (m_ciphers && index >= 0 && index < m_ciphers->count()) m_ciphers->setCurrentIndex(index);
}
