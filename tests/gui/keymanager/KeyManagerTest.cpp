// The key manager window: the key ring hand-over, the grid, import, export,
// removal and the state of its buttons.
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "KeyWinFixture.h"
#include "filecrypt/FieldProtection.h"
#include "keyring/KeyRing.h"
#include "pubkey/PublicKey.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyGenNowForm.h"
#include "windows/KeyInfoFrm.h"
#include "windows/KeyRingGrid.h"

using namespace kwtest;

namespace {

const QString kFilter = QStringLiteral("Zerath Key File (*.akf)|*.akf|All Files (*)|*");

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    for (const auto& l : zerath::SplitKeyRingLines(text))
        if (!l.empty()) out.push_back(l);
    return out;
}

bool containsLineWith(const std::string& text, const std::string& part)
{
    for (const auto& l : lines(text))
        if (l.find(part) != std::string::npos) return true;
    return false;
}

} // namespace

TEST_F(KeyManagerTest, WindowControlsAndGridColumns)
{
    start();
    EXPECT_EQ(form->size(), QSize(500, 300));
    EXPECT_TRUE(form->isDraggable());
    EXPECT_FALSE(form->mask().isEmpty());
    EXPECT_FALSE(form->mask().contains(QPoint(0, 0))) << "rounded corner";
    EXPECT_TRUE(form->mask().contains(QPoint(250, 150)));
    EXPECT_EQ(form->Label3->text(), QStringLiteral("Keys Manager"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Fingerprint:"));
    EXPECT_TRUE(form->FPedit->isReadOnly());
    EXPECT_EQ(form->GroupBox1->title(), QStringLiteral("Key Management "));
    EXPECT_EQ(form->GroupBox2->title(), QStringLiteral("No. Keys "));
    EXPECT_EQ(form->Exportprvkeybtn->text(), QStringLiteral("Export Private Key..."));
    EXPECT_EQ(form->ImportKeybtn->text(), QStringLiteral("Import Key..."));
    EXPECT_EQ(form->Exportpubkeybtn->text(), QStringLiteral("Export Public Key..."));
    EXPECT_EQ(form->GenKeysbtn->text(), QStringLiteral("Generate Keys..."));
    EXPECT_EQ(form->RemoveKey->text(), QStringLiteral("Remove Key..."));
    EXPECT_EQ(form->ChangePassphrase->text(), QStringLiteral("Change Passphrase..."));
    EXPECT_EQ(form->CloseBtn->text(), QStringLiteral("Close"));

    const KeyRingModel& m = form->DBGrid->keyModel();
    const QStringList titles{"Type", "User ID", "Key ID", "Length", "Creation"};
    const int widths[] = {81, 162, 73, 47, 79};
    ASSERT_EQ(m.columnCount(), 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(form->DBGrid->horizontalHeader()->sectionSize(c), widths[c]);
    }
    EXPECT_TRUE(m.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHCenter);
    EXPECT_EQ(form->DBGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(form->DBGrid->palette().color(QPalette::Base), QColor(0xE8, 0xE8, 0xE8));

    // Dragged by its picture: the window follows the pointer.
    const QPoint before = form->pos();
    const QPoint at(300, 24);
    auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(local), QPointF(form->mapToGlobal(local)), button, held, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &e);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at + QPoint(10, 5), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at + QPoint(10, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form->pos(), before + QPoint(10, 5));

    // Close gives OK and hands the key ring back.
    click(form->CloseBtn);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(KeyManagerTest, EmptyKeyRingDisablesTheRecordCommands)
{
    start();
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("No keys"));
    EXPECT_TRUE(form->FPedit->text().isEmpty());
    EXPECT_FALSE(form->Exportprvkeybtn->isEnabled());
    EXPECT_FALSE(form->Exportpubkeybtn->isEnabled());
    EXPECT_FALSE(form->RemoveKey->isEnabled());
    EXPECT_FALSE(form->ChangePassphrase->isEnabled());
    EXPECT_TRUE(form->ImportKeybtn->isEnabled());
    EXPECT_TRUE(form->GenKeysbtn->isEnabled());
    EXPECT_FALSE(form->keyInfoAttached());

    // A double click and Ctrl+Delete on the empty grid do nothing.
    QTest::mouseDClick(form->DBGrid->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
    form->DBGrid->setFocus();
    QTest::keyClick(form->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(newBoxes(), 0);
    EXPECT_FALSE(form->keyInfoDialog()->isVisible());

    // Generate still opens its dialog.
    bool shown = false;
    whenModal(form->generationDialog(), [&] {
        shown = true;
        click(form->generationDialog()->Closebtn);
    });
    click(form->GenKeysbtn);
    EXPECT_TRUE(shown);

    // And Import still works.
    const GeneratedPair& g = generatedPair();
    importPublic(g.publicFile);
    EXPECT_EQ(newBoxes(), 0) << Messages::lastShown().text.toStdString();
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("1"));
    EXPECT_TRUE(form->Exportpubkeybtn->isEnabled());
    EXPECT_TRUE(form->RemoveKey->isEnabled());
    EXPECT_FALSE(form->Exportprvkeybtn->isEnabled()) << "a public key";
    EXPECT_FALSE(form->ChangePassphrase->isEnabled());
    EXPECT_TRUE(form->keyInfoAttached());
}

TEST_F(KeyManagerTest, TheKeyRingChangesHandsOnShowAndHide)
{
    start();
    EXPECT_FALSE(ctx->mainKeyRing().Active()) << "the main window's table is closed while shown";
    EXPECT_TRUE(form->manager().Ring().Active());
    int reopened = 0;
    QObject::connect(ctx.get(), &AppContext::keyRingReopened, [&] { ++reopened; });
    importGeneratedPair();
    hideManager();
    EXPECT_FALSE(form->manager().Ring().Active());
    EXPECT_TRUE(ctx->mainKeyRing().Active());
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(ctx->mainKeyRing().RecordCount(), 2) << "the main window sees the imports";
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("No keys"));
    showManager();
    EXPECT_FALSE(ctx->mainKeyRing().Active());
    EXPECT_EQ(rowCount(), 2);
}

TEST_F(KeyManagerTest, MissingKeyRingFileLeavesTheListEmpty)
{
    // The main window creates the file at start; it is missing only when it was
    // removed meanwhile. The key manager's table then stays closed and an
    // insertion, which reads the file, cannot add the key.
    start(false);
    ASSERT_FALSE(QFile::exists(QString::fromStdString(keyRingPath())));
    EXPECT_FALSE(form->manager().Ring().Active());
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("No keys"));
    EXPECT_EQ(rowCount(), 0);
    Messages::setNextAnswer(Messages::Answer::Ok);
    importPrivate(generatedPair().privateFile);
    expectLastBox(Messages::Kind::Plain, QStringLiteral("Cannot add new key to database"));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Hiding hands the key ring back; the main window's table creates the file.
    hideManager();
    EXPECT_TRUE(ctx->mainKeyRing().Active());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(keyRingPath())));
    EXPECT_EQ(fileMode(keyRingPath()), 0600);
}

TEST_F(KeyManagerTest, ImportShowsBothRecordsWithTheirColours)
{
    start();
    const GeneratedPair& g = generatedPair();
    importPrivate(g.privateFile);
    ASSERT_EQ(Messages::asked().size(), 2);
    EXPECT_EQ(Messages::asked()[0].what, Messages::Asked::What::OpenFile);
    EXPECT_EQ(Messages::asked()[0].title, QStringLiteral("Import Key"));
    EXPECT_EQ(Messages::asked()[0].prompt, kFilter);
    EXPECT_EQ(Messages::asked()[1].what, Messages::Asked::What::Text);
    EXPECT_EQ(Messages::asked()[1].title, QStringLiteral("PrivateKey Passphrase"));
    EXPECT_EQ(Messages::asked()[1].prompt, QStringLiteral("Enter passphrase"));
    EXPECT_EQ(newBoxes(), 0) << Messages::lastShown().text.toStdString();
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("1"));
    EXPECT_TRUE(form->Exportprvkeybtn->isEnabled());
    EXPECT_TRUE(form->ChangePassphrase->isEnabled());
    // Imports are written at once.
    EXPECT_EQ(lines(fileText(keyRingPath())).size(), 1u);

    importPublic(g.publicFile);
    EXPECT_EQ(Messages::asked().size(), 3) << "no passphrase for a public key";
    EXPECT_EQ(newBoxes(), 0) << Messages::lastShown().text.toStdString();
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("2"));
    EXPECT_EQ(currentRow(), 1) << "the new record is current";
    EXPECT_FALSE(form->Exportprvkeybtn->isEnabled());
    EXPECT_FALSE(form->ChangePassphrase->isEnabled());
    EXPECT_EQ(lines(fileText(keyRingPath())).size(), 2u);

    const KeyRingModel& m = form->DBGrid->keyModel();
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), QStringLiteral("Pub/Priv"));
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), kOwner);
    EXPECT_EQ(m.data(m.index(0, 2)).toString().toStdString(), g.privateKeyId);
    EXPECT_EQ(m.data(m.index(0, 3)).toString(), QStringLiteral("2048"));
    EXPECT_EQ(m.data(m.index(0, 4)).toString().toStdString(), g.creationDate);
    EXPECT_EQ(m.data(m.index(1, 0)).toString(), QStringLiteral("Pub"));
    EXPECT_EQ(m.data(m.index(1, 2)).toString().toStdString(), g.publicKeyId);
    EXPECT_EQ(form->FPedit->text().right(8).toStdString(), g.publicKeyId);

    // Row colours: the public row is current (pale yellow), the key pair rose.
    EXPECT_EQ(cellColour(1, 1), QColor(0xFF, 0xFF, 0xBF));
    EXPECT_EQ(cellColour(0, 1), QColor(0xFE, 0xDC, 0xD8));
    clickRow(0);
    EXPECT_EQ(currentRow(), 0);
    EXPECT_EQ(form->FPedit->text().right(8).toStdString(), g.privateKeyId);
    EXPECT_TRUE(form->Exportprvkeybtn->isEnabled());
    EXPECT_EQ(cellColour(1, 1), QColor(0xDA, 0xEE, 0xEF));
    EXPECT_EQ(cellColour(0, 1), QColor(0xFF, 0xFF, 0xBF));
}

TEST_F(KeyManagerTest, DuplicateImportWarnsAndKeepsOneRecord)
{
    start();
    importGeneratedPair();
    clickRow(0);
    const std::string before = fileText(keyRingPath());
    Messages::setNextAnswer(Messages::Answer::Ok);
    importPublic(generatedPair().publicFile);
    expectLastBox(Messages::Kind::Warning, QString::fromStdString("The Key with ID: " + generatedPair().publicKeyId +
                                                                  " already exists.\n To add this key, remove the "
                                                                  "previous key."));
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(currentRow(), 1) << "the record found is current";
    EXPECT_EQ(fileText(keyRingPath()), before);
}

TEST_F(KeyManagerTest, ImportFailuresLeaveTheKeyRingAlone)
{
    start();
    const GeneratedPair& g = generatedPair();

    // Wrong passphrase.
    Messages::setNextAnswer(Messages::Answer::Ok);
    importPrivate(g.privateFile, QStringLiteral("wrong horse"));
    expectLastBox(Messages::Kind::Error, QStringLiteral("Uncorrect passphrase, Error Importing key file, operation aborted"));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The passphrase question cancelled: nothing, no box.
    newBoxes();
    Messages::setNextFileName(QString::fromStdString(g.privateFile));
    Messages::setNextTextCancel();
    click(form->ImportKeybtn);
    EXPECT_EQ(newBoxes(), 0);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The file dialog cancelled.
    Messages::setNextFileName(QString());
    click(form->ImportKeybtn);
    EXPECT_EQ(newBoxes(), 0);

    // Not a key file, and an empty file.
    zerath::test::writeFile(file("notes.akf"), "hello\r\nworld\r\n");
    zerath::test::writeFile(file("empty.akf"), "");
    for (const char* name : {"notes.akf", "empty.akf"}) {
        Messages::setNextAnswer(Messages::Answer::Ok);
        importPublic(file(name));
        expectLastBox(Messages::Kind::Error, QStringLiteral("Unknown key file, operation aborted"));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // A public key file written under another passphrase.
    zerath::TPublicKey pub;
    pub.Passphrase = zerath::SecureString(zerath::FixedProtectionPassphrase());
    pub.LoadFromFile(g.publicFile);
    pub.Passphrase = zerath::SecureString(std::string_view("another passphrase"));
    pub.SaveToFile(file("other.akf"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    importPublic(file("other.akf"));
    expectLastBox(Messages::Kind::Error, QStringLiteral("Uncorrect passphrase, Error Importing key file, operation aborted"));

    // A file that is not there reaches the general error box.
    Messages::setNextAnswer(Messages::Answer::Ok);
    importPublic(file("missing.akf"));
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Error);
    EXPECT_FALSE(Messages::lastShown().text.isEmpty());

    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("No keys"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(KeyManagerTest, ExportBothKindsAndImportTheExportedPublicKey)
{
    start();
    importGeneratedPair();
    const GeneratedPair& g = generatedPair();
    clickRow(0); // the key pair
    Messages::reset();

    // Public export of the key pair's record.
    const std::string pubOut = file("exported-public.akf");
    Messages::setNextFileName(QString::fromStdString(pubOut));
    click(form->Exportpubkeybtn);
    ASSERT_EQ(Messages::asked().size(), 1);
    EXPECT_EQ(Messages::asked()[0].what, Messages::Asked::What::SaveFile);
    EXPECT_EQ(Messages::asked()[0].title, QStringLiteral("Export Public Key"));
    EXPECT_EQ(Messages::asked()[0].prompt, kFilter);
    EXPECT_EQ(Messages::asked()[0].proposed.toStdString(), dir.path() + "Public" + g.privateKeyId + ".akf");
    EXPECT_TRUE(Messages::shown().isEmpty()) << "no message after an export";
    ASSERT_TRUE(QFile::exists(QString::fromStdString(pubOut)));

    // Private export: the warning, the passphrase, the file.
    const std::string privOut = file("exported-private.akf");
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(kPassphrase);
    Messages::setNextFileName(QString::fromStdString(privOut));
    click(form->Exportprvkeybtn);
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].kind, Messages::Kind::Warning);
    EXPECT_EQ(Messages::shown()[0].buttons, Messages::Buttons::OkCancel);
    EXPECT_EQ(Messages::shown()[0].text,
              QStringLiteral("You are about to export private key,\rnever send private keys over internet.\r"
                             "Copy them to a secure media and Keep them in a safe place"));
    ASSERT_EQ(Messages::asked().size(), 3);
    EXPECT_EQ(Messages::asked()[1].title, QStringLiteral("PrivateKey Passphrase"));
    EXPECT_EQ(Messages::asked()[1].prompt, QStringLiteral("Enter passphrase"));
    EXPECT_EQ(Messages::asked()[2].title, QStringLiteral("Export Private Key"));
    EXPECT_EQ(Messages::asked()[2].proposed.toStdString(), dir.path() + "Private" + g.privateKeyId + ".akf");
    ASSERT_TRUE(QFile::exists(QString::fromStdString(privOut)));
    EXPECT_EQ(fileMode(privOut), 0600);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The exported public key of the pair is a key of its own: it imports.
    importPublic(pubOut);
    EXPECT_EQ(Messages::shown().size(), 1) << Messages::lastShown().text.toStdString();
    EXPECT_EQ(rowCount(), 3);
    // The exported private key opens with the passphrase and holds the same pair.
    zerath::TPrivateKey priv;
    priv.Passphrase = zerath::SecureString(kPassphrase.toStdString());
    ASSERT_NO_THROW(priv.LoadFromFile(privOut));
    EXPECT_EQ(priv.KeyOwner, kOwner.toStdString());
    EXPECT_TRUE(priv.KeyCreationTime.empty()) << "the key ring keeps no creation time";
    EXPECT_EQ(priv.KeyCreationDate, g.creationDate);
}

TEST_F(KeyManagerTest, PrivateExportRefusals)
{
    start();
    importGeneratedPair();
    clickRow(0);
    Messages::reset();

    // Cancel at the warning.
    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(form->Exportprvkeybtn);
    EXPECT_TRUE(Messages::asked().isEmpty());
    // Cancel at the passphrase.
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextTextCancel();
    click(form->Exportprvkeybtn);
    EXPECT_EQ(Messages::shown().size(), 2);
    // A wrong passphrase.
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(QStringLiteral("wrong horse"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportprvkeybtn);
    expectLastBox(Messages::Kind::Error, QStringLiteral("Uncorrect Private Key passphrase?"));
    // The save dialog cancelled: nothing written.
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(kPassphrase);
    Messages::setNextFileName(QString());
    click(form->Exportprvkeybtn);
    EXPECT_EQ(Messages::shown().size(), 5);
    // A file that cannot be written reaches the general error box.
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(kPassphrase);
    Messages::setNextFileName(qfile("no-such-folder/key.akf"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportprvkeybtn);
    EXPECT_EQ(Messages::shown().size(), 7);
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Error);
    EXPECT_FALSE(Messages::lastShown().text.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    Messages::setNextFileName(qfile("no-such-folder/pub.akf"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportpubkeybtn);
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(KeyManagerTest, AlteredRecordIsReportedAsCorruptedAtExport)
{
    start();
    importGeneratedPair();
    hideManager();
    std::string text = fileText(keyRingPath());
    std::size_t at;
    while ((at = text.find("Alice Example")) != std::string::npos)
        text.replace(at, 13, "Alice Exampl3");
    zerath::test::writeFile(keyRingPath(), text);
    showManager();
    ASSERT_EQ(rowCount(), 2);
    Messages::reset();

    clickRow(1);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportpubkeybtn);
    expectLastBox(Messages::Kind::Error, QStringLiteral("Public Key corrupted and cannot be exported.\rDelete and "
                                                        "reload it from original key file"));
    EXPECT_TRUE(Messages::asked().isEmpty()) << "no file dialog";

    clickRow(0);
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(kPassphrase);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportprvkeybtn);
    expectLastBox(Messages::Kind::Error, QStringLiteral("Private Key corrupted and cannot be exported.\rDelete and "
                                                        "reload it from original key file"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(KeyManagerTest, RemovalReachesTheFileWhenTheWindowIsHidden)
{
    start();
    importGeneratedPair();
    const GeneratedPair& g = generatedPair();
    clickRow(0);
    const std::string before = fileText(keyRingPath());

    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(form->RemoveKey);
    expectLastBox(Messages::Kind::Warning, QStringLiteral("Delete current key?"));
    EXPECT_EQ(Messages::lastShown().buttons, Messages::Buttons::OkCancel);
    EXPECT_EQ(rowCount(), 2);

    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->RemoveKey);
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("1"));
    EXPECT_EQ(fileText(keyRingPath()), before) << "written only when the window hides";
    hideManager();
    const std::string after = fileText(keyRingPath());
    EXPECT_EQ(lines(after).size(), 1u);
    EXPECT_FALSE(containsLineWith(after, "|" + g.privateKeyId + "|"));
    EXPECT_TRUE(containsLineWith(after, "|" + g.publicKeyId + "|"));
    EXPECT_EQ(ctx->mainKeyRing().RecordCount(), 1);

    // Ctrl+Delete in the grid asks the grid's own question first.
    showManager();
    form->DBGrid->setFocus();
    Messages::setNextAnswer(Messages::Answer::Cancel);
    QTest::keyClick(form->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    expectLastBox(Messages::Kind::Confirmation, QStringLiteral("Delete record?"));
    EXPECT_EQ(Messages::lastShown().buttons, Messages::Buttons::OkCancel);
    EXPECT_EQ(rowCount(), 1);
    Messages::setNextAnswer(Messages::Answer::Ok);
    QTest::keyClick(form->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(form->CurrentRec->text(), QStringLiteral("No keys"));
    EXPECT_FALSE(form->RemoveKey->isEnabled());
    hideManager();
    EXPECT_TRUE(lines(fileText(keyRingPath())).empty());
}

TEST_F(KeyManagerTest, RemovalThenImportLeavesNoStaleLine)
{
    start();
    importGeneratedPair();
    const GeneratedPair& g = generatedPair();
    clickRow(0);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->RemoveKey);
    ASSERT_EQ(rowCount(), 1);
    // Importing the removed key again before closing: one line of it, no stale copy.
    importPrivate(g.privateFile);
    EXPECT_EQ(rowCount(), 2);
    hideManager();
    const std::string text = fileText(keyRingPath());
    EXPECT_EQ(lines(text).size(), 2u);
    int pairLines = 0;
    for (const auto& l : lines(text))
        if (l.find("|" + g.privateKeyId + "|") != std::string::npos) ++pairLines;
    EXPECT_EQ(pairLines, 1);
}
