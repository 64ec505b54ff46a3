// The main window's file fields holding several files, drops onto the window,
// the batch commands and their summary.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

#include "app/AppContext.h"
#include "common/GeneralErrorHandler.h"
#include "common/Messages.h"
#include "common/Screenshots.h"
#include "common/SecretText.h"
#include "filecrypt/BatchCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "widgets/ALStatusBar.h"
#include "windows/CryptForm.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"

namespace {

QString q(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QStringList localFilesOf(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        const QFileInfo info(url.toLocalFile());
        if (url.isLocalFile() && info.isFile()) files << info.absoluteFilePath();
    }
    return files;
}

} // namespace

void TCryptForm::setFileList(QLineEdit* field, const QStringList& files, bool decryptSide)
{
    QStringList& list = decryptSide ? m_decFiles : m_encFiles;
    list = files;
    if (files.size() > 1) {
        field->setText(QString::number(files.size()) + QStringLiteral(" files"));
        field->setToolTip(files.join(QLatin1Char('\n')));
        Status->setPanelText(0, field->text());
    } else {
        field->setText(files.value(0));
        field->setToolTip(QString());
        Status->setPanelText(0, fileStatusText(field->text(), decryptSide));
    }
}

QStringList TCryptForm::fileList(bool decryptSide) const
{
    const QStringList& list = decryptSide ? m_decFiles : m_encFiles;
    if (list.size() > 1) return list;
    return {(decryptSide ? DecFileEdit : EncFileEdit)->text()};
}

void TCryptForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_busy && !localFilesOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// A drop fills the fields and starts nothing: encrypted files go to the
// decryption field, key files are offered for import, the rest go to the
// encryption field.
void TCryptForm::dropEvent(QDropEvent* event)
{
    if (m_busy) return;
    const QStringList files = localFilesOf(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    QStringList toEncrypt, toDecrypt, keyFiles;
    for (const QString& f : files) {
        if (f.endsWith(QStringLiteral(".enc"), Qt::CaseInsensitive)) toDecrypt << f;
        else if (f.endsWith(QStringLiteral(".akf"), Qt::CaseInsensitive)) keyFiles << f;
        else toEncrypt << f;
    }
    if (!toEncrypt.isEmpty()) setFileList(EncFileEdit, toEncrypt, false);
    if (!toDecrypt.isEmpty()) setFileList(DecFileEdit, toDecrypt, true);
    for (const QString& k : keyFiles) importKeyFile(k);
}

void TCryptForm::importKeyFile(const QString& path)
{
    const QString question = QStringLiteral("Import the key file \"") + QFileInfo(path).fileName() +
                             QStringLiteral("\" into the key ring?");
    if (Messages::show(this, Messages::Kind::Confirmation, question, Messages::Buttons::YesNo) !=
        Messages::Answer::Yes)
        return;
    // The key manager's table replaces the main window's for the import.
    m_ctx.closeMainKeyRing();
    guarded(this, [&] {
        zerath::KeyManager manager(localPath(m_ctx.dataFolder()));
        manager.Open();
        (void)manager.ImportKey(localPath(path),
                                [&path](zerath::SecureString& passphrase) { return askPrivatePassphrase(passphrase, path); });
        manager.Close();
    });
    guarded(this, [this] { m_ctx.reopenMainKeyRing(); });
}

// A decryption may move the key ring's cursor to the pair it used; the
// recipient fields stay as the user chose them, and the highlight only shows
// while the cursor row is that recipient.
void TCryptForm::keepRecipientHighlight()
{
    const zerath::KeyRing& ring = m_ctx.mainKeyRing();
    m_recipientSelected = ring.RecipientSelected() && ring.Active() && ring.HasCurrent() &&
                          q(ring.FieldAsString("KeyID")) == MailBoxKeyID->text();
    DBGrid->viewport()->update();
}

bool TCryptForm::runBatch(bool decryptSide, int total,
                          const std::function<zerath::BatchResult(GuiFileCommandUi&)>& run)
{
    zerath::BatchResult result;
    bool ran = false;
    {
        GuiFileCommandUi ui(this, m_progress, Status, cbxCipher, m_ctx.pump());
        ran = guarded(this, [&] { result = run(ui); });
    }
    if (decryptSide)
        keepRecipientHighlight();
    else {
        m_recipientSelected = m_ctx.mainKeyRing().RecipientSelected();
        DBGrid->viewport()->update();
    }
    if (!ran || result.files.empty()) return false;
    Messages::show(this, result.failures() == 0 ? Messages::Kind::Information : Messages::Kind::Warning,
                   batchSummary(result, total, decryptSide));
    return true;
}

QString TCryptForm::batchSummary(const zerath::BatchResult& r, int total, bool decryptSide)
{
    QStringList done, failed;
    for (const zerath::BatchFileResult& f : r.files) {
        const QString name = QFileInfo(q(f.path)).fileName();
        if (f.outcome == zerath::BatchFileResult::Outcome::Done)
            done << QStringLiteral("  ") + name + QStringLiteral(" \u2192 ") + QFileInfo(q(f.outputPath)).fileName();
        else
            failed << QStringLiteral("  ") + name + QStringLiteral(": ") + Messages::displayText(q(f.message));
    }
    QStringList text;
    if (r.cancelled) text << QStringLiteral("Operation cancelled.");
    text << (decryptSide ? QStringLiteral("Decrypted %1 of %2 files.") : QStringLiteral("Encrypted %1 of %2 files."))
                .arg(done.size())
                .arg(total);
    if (!done.isEmpty()) text << QStringLiteral("Done:") << done;
    if (!failed.isEmpty()) text << QStringLiteral("Not done:") << failed;
    return text.join(QLatin1Char('\n'));
}

// ---- screenshot: the summary of a batch with a failure ----

namespace {

QWidget* makeBatchSummaryScreenshot()
{
    using zerath::BatchFileResult;
    zerath::BatchResult r;
    r.files = {{"/home/alice/Reports/q1.pdf", BatchFileResult::Outcome::Done, "/home/alice/Reports/q1.pdf.enc", ""},
               {"/home/alice/Reports/q2.pdf", BatchFileResult::Outcome::Done, "/home/alice/Reports/q2.pdf.enc", ""},
               {"/home/alice/Reports/notes.txt", BatchFileResult::Outcome::Refused, "",
                "Output file \"notes.txt.enc\" already exists. Overwrite?"},
               {"/home/alice/Reports/q3.pdf", BatchFileResult::Outcome::Cancelled, "", "Operation cancelled."}};
    r.cancelled = true;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zerath"),
                                TCryptForm::batchSummary(r, 5, false), QMessageBox::Ok);
    return box;
}

} // namespace

ZERATH_SCREENSHOT(batch_summary, makeBatchSummaryScreenshot);
