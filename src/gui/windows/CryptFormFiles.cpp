// The main window's file fields holding several files or folders, drops onto
// the window, the batch commands and their summary.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "app/AppContext.h"
#include "common/GeneralErrorHandler.h"
#include "common/Messages.h"
#include "common/SecretText.h"
#include "filecrypt/BatchCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "widgets/ALStatusBar.h"
#include "windows/BatchSummaryDlg.h"
#include "windows/CryptForm.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"

namespace {

QStringList localFilesOf(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        const QFileInfo info(url.toLocalFile());
        if (url.isLocalFile() && (info.isFile() || info.isDir())) files << info.absoluteFilePath();
    }
    return files;
}

} // namespace

void TCryptForm::setFileList(QLineEdit* field, const QStringList& files, bool decryptSide)
{
    QStringList& list = decryptSide ? m_decFiles : m_encFiles;
    list = files;
    if (files.size() == 1 && QFileInfo(files[0]).isDir()) {
        field->setText(files[0]);
        field->setToolTip(QStringLiteral("Every file beneath this folder"));
        Status->setPanelText(0, QStringLiteral("Folder"));
    } else if (files.size() > 1) {
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
// encryption field. Folders go to the decryption field when dropped on it or
// its label, else to the encryption field.
void TCryptForm::dropEvent(QDropEvent* event)
{
    if (m_busy) return;
    const QStringList files = localFilesOf(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    QStringList toEncrypt, toDecrypt, keyFiles;
    const QRect decryptArea = DecFileEdit->geometry().adjusted(0, -20, SelectFileDec->width() + 8, 0);
    const bool onDecrypt = decryptArea.contains(event->position().toPoint());
    for (const QString& f : files) {
        if (QFileInfo(f).isDir()) (onDecrypt ? toDecrypt : toEncrypt) << f;
        else if (f.endsWith(QStringLiteral(".enc"), Qt::CaseInsensitive)) toDecrypt << f;
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
                          coreText(ring.FieldAsString("KeyID")) == MailBoxKeyID->text();
    DBGrid->viewport()->update();
}

void TCryptForm::selectFolder(bool decryptSide)
{
    if (m_busy) return;
    const QString folder = Messages::openFolder(decryptSide ? QStringLiteral("Select Folder to Decrypt")
                                                            : QStringLiteral("Select Folder to Encrypt"));
    if (!folder.isEmpty()) setFileList(decryptSide ? DecFileEdit : EncFileEdit, {folder}, decryptSide);
}

std::optional<zerath::FileSelection> TCryptForm::batchFiles(bool decryptSide, bool wipe) const
{
    const QStringList files = fileList(decryptSide);
    std::vector<std::string> paths;
    bool folder = false;
    for (const QString& f : files) {
        paths.push_back(localPath(f));
        folder = folder || QFileInfo(f).isDir();
    }
    if (files.size() < 2 && !folder) return std::nullopt;
    // The list is taken whole before the first output is written.
    return zerath::SelectFiles(paths, {decryptSide, wipe, localPath(m_ctx.dataFolder()), &m_ctx.pump()});
}

bool TCryptForm::runBatch(bool decryptSide, std::vector<zerath::SkippedFile> skipped,
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
    // The panels describe one file: a batch's many are in its summary, and
    // the last one's figures would read as the whole batch's.
    blankStatus();
    result.skipped = std::move(skipped);
    if (!ran || (result.files.empty() && result.skipped.empty())) return false;
    BatchSummaryDlg::showFor(this, result, decryptSide);
    return true;
}
