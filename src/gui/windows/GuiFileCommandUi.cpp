#include "windows/GuiFileCommandUi.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "app/TextFormat.h"
#include "common/Messages.h"
#include "common/SecretText.h"
#include "widgets/ALStatusBar.h"
#include "windows/PopupFrm.h"

namespace {

QString thousands(int n)
{
    return FormatThousands(QString::number(n));
}

// "46%  ·  38.2 MB/s  ·  0:07 left", each part once it is known.
QString shareText(const zerath::BatchProgress& p)
{
    QString text = QString::number(int(p.share * 100)) + QStringLiteral("%");
    if (p.bytesPerSecond > 0) text += QStringLiteral("  \u00b7  %1 MB/s").arg(p.bytesPerSecond / 1e6, 0, 'f', 1);
    if (p.secondsLeft > 0) {
        const int left = int(p.secondsLeft + 0.5);
        text += QStringLiteral("  \u00b7  %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

} // namespace

class GuiFileCommandUi::StepBack {
public:
    explicit StepBack(GuiFileCommandUi& ui) : m_progress(ui.m_progressShown ? ui.m_progress : nullptr)
    {
        if (m_progress && m_progress->isVisible()) m_progress->hide();
        else m_progress = nullptr;
        m_busy = ui.m_busy > 0;
        if (m_busy) QApplication::restoreOverrideCursor();
        m_window = ui.m_window;
    }
    ~StepBack()
    {
        if (m_busy) QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_progress) m_progress->showOver(m_window);
    }
    StepBack(const StepBack&) = delete;
    StepBack& operator=(const StepBack&) = delete;

private:
    QPointer<Tpopupfrm> m_progress;
    QPointer<QWidget> m_window;
    bool m_busy = false;
};

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
    const StepBack back(*this);
    switch (Messages::show(m_window, Messages::Kind::Warning, coreText(text), Messages::Buttons::YesNoCancel)) {
    case Messages::Answer::Yes: return Answer::Yes;
    case Messages::Answer::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool GuiFileCommandUi::confirmOverwrite(const std::string& text)
{
    const StepBack back(*this);
    return Messages::show(m_window, Messages::Kind::Confirmation, coreText(text), Messages::Buttons::OkCancel) ==
           Messages::Answer::Ok;
}

bool GuiFileCommandUi::askPassphrase(zerath::SecureString& passphrase)
{
    return askPassphraseFor(std::string(), kPassphrasePrompt, passphrase);
}

bool GuiFileCommandUi::askPassphraseFor(const std::string&, const std::string& prompt,
                                        zerath::SecureString& passphrase)
{
    const StepBack back(*this);
    QString typed;
    const bool ok = Messages::askText(QString::fromLatin1(kPassphraseTitle), coreText(prompt), true, &typed);
    if (ok) passphrase = secureText(typed);
    wipe(typed);
    return ok;
}

zerath::FileCommandUi::Answer GuiFileCommandUi::askOverwriteInBatch(const std::string& text)
{
    const StepBack back(*this);
    switch (Messages::show(m_window, Messages::Kind::Confirmation, coreText(text), Messages::Buttons::YesNoAll)) {
    case Messages::Answer::Yes: return Answer::Yes;
    case Messages::Answer::YesToAll: return Answer::YesToAll;
    case Messages::Answer::NoToAll: return Answer::NoToAll;
    default: return Answer::No;
    }
}

int GuiFileCommandUi::chooseKeyPair(const std::vector<zerath::KeyChoice>& choices)
{
    QStringList items;
    for (const zerath::KeyChoice& c : choices) items << coreText(c.keyId) + QStringLiteral("  ") + coreText(c.userId);
    const StepBack back(*this);
    return Messages::chooseItem(QString::fromLatin1(kChooseKeyTitle), QString::fromLatin1(kChooseKeyPrompt), items);
}

void GuiFileCommandUi::setBatchProgress(const zerath::BatchProgress& p)
{
    if (!m_progress) return;
    // "File 212 of 5,000: " stays whole; the name gives way in its middle.
    const QString head = QStringLiteral("File %1 of %2: ").arg(thousands(p.index), thousands(p.count));
    const QFontMetrics metrics = m_progress->batchLine->fontMetrics();
    const int room = m_progress->batchLine->width() - metrics.horizontalAdvance(head) - 4;
    const QString file = head + metrics.elidedText(coreText(p.name), Qt::ElideMiddle, std::max(room, 24));
    m_inBatch = true;
    m_progress->setBatchText(file, shareText(p));
}

bool GuiFileCommandUi::cancelRequested()
{
    return m_progress && m_progress->cancelRequested();
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
    if (visible && !m_fileClock.isValid()) m_fileClock.start();
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
    if (m_progress) m_progress->setLines(coreText(l1), coreText(l2), coreText(l3), bold >= 0 && bold <= 2 ? bold + 1 : 0);
}

void GuiFileCommandUi::setProgressFirstLine(const std::string& l1)
{
    if (m_progress) m_progress->setLines(coreText(l1), m_progress->process2->text(), m_progress->process3->text(), 1);
}

// A single file shows its share and time left as a batch does.
void GuiFileCommandUi::setProgressFraction(double fraction)
{
    if (!m_progress) return;
    m_progress->setFraction(fraction);
    if (m_inBatch || !m_fileClock.isValid()) return;
    zerath::BatchProgress p;
    p.share = std::clamp(fraction, 0.0, 1.0);
    const double seconds = double(m_fileClock.elapsed()) / 1000;
    if (seconds > 1 && p.share > 0) p.secondsLeft = seconds * (1 - p.share) / p.share;
    m_progress->speedLine->setText(shareText(p));
}

void GuiFileCommandUi::setStatusPanel(int panel, const std::string& text)
{
    if (m_status) m_status->setPanelText(panel, coreText(text));
}

void GuiFileCommandUi::selectCipher(int index)
{
    if (m_ciphers && index >= 0 && index < m_ciphers->count()) m_ciphers->setCurrentIndex(index);
}
