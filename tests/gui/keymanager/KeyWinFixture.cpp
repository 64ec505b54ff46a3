#include "KeyWinFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "windows/KeyGenForm.h"
#include "windows/KeyGenNowForm.h"
#include "windows/KeyRingGrid.h"

namespace kwtest {

bool waitFor(const std::function<bool()>& pred, int ms)
{
    return QTest::qWaitFor(pred, ms);
}

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

std::string fileText(const std::string& path)
{
    return zerath::test::readFile(path);
}

int fileMode(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return int(st.st_mode & 0777);
}

void whenModal(QWidget* dialog, std::function<void()> act)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, dialog, act = std::move(act)] {
        if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
            timer->stop();
            timer->deleteLater();
            act();
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            }
        } else if (clock->elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the dialog was never shown";
        }
    });
    timer->start();
}

// ---- the one generation ----

const GeneratedPair& generatedPair()
{
    static zerath::test::TempDir genDir;
    static const GeneratedPair pair = [] {
        GeneratedPair g;
        g.folder = genDir.path();
        AppContext ctx(QString::fromStdString(g.folder));
        const qsizetype boxesBefore = Messages::shown().size();
        TKeyGenNowForm dlg(ctx);
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClicks(dlg.KeyUsernameed, kOwner);
        QTest::keyClicks(dlg.Passphrase, kPassphrase);
        QTest::keyClicks(dlg.ConfirmPassphrase, kPassphrase);
        Messages::setNextAnswer(Messages::Answer::Ok); // the box naming the two files
        click(dlg.GenerateBtn);

        // The worker runs; the window has not heard back yet.
        g.statusWhileRunning = dlg.Status->text();
        g.buttonsDisabledWhileRunning = dlg.isGenerating() && !dlg.GenerateBtn->isEnabled() &&
                                        !dlg.Clearbtn->isEnabled() && !dlg.Closebtn->isEnabled();
        g.busyCursorWhileRunning =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        dlg.reject();
        QTest::keyClick(&dlg, Qt::Key_Escape);
        g.closeRefusedWhileRunning = dlg.isVisible();

        g.finished = waitFor([&] { return !dlg.isGenerating(); }, 60000);
        g.candidatesSeen = dlg.candidatesTried();
        g.statusAfter = dlg.Status->text();
        g.cdateAfter = dlg.CDate->text();
        g.buttonsEnabledAfter = dlg.GenerateBtn->isEnabled() && dlg.Clearbtn->isEnabled() && dlg.Closebtn->isEnabled();
        g.cursorRestored = QApplication::overrideCursor() == nullptr;
        g.userAfter = dlg.KeyUsernameed->text();
        g.passphraseAfter = dlg.Passphrase->text();
        g.boxesShown = int(Messages::shown().size() - boxesBefore);
        const zerath::KeyPairResult& r = dlg.lastResult();
        g.privateFile = r.PrivateKeyFile;
        g.publicFile = r.PublicKeyFile;
        g.privateKeyId = r.PrivateKeyID;
        g.publicKeyId = r.PublicKeyID;
        g.creationDate = r.CreationDate;
        g.elapsedMs = r.ElapsedMs;
        g.keyRingUntouched = !QFile::exists(QString::fromStdString(g.folder + "ZerathKeys.db"));
        dlg.hide();
        return g;
    }();
    return pair;
}

// ---- key manager fixture ----

void KeyManagerTest::SetUp()
{
    Messages::setScripted(true);
    (void)generatedPair(); // made once, with its box, before the test's own boxes count
    Messages::reset();
    m_boxesSeen = 0;
}

void KeyManagerTest::TearDown()
{
    EXPECT_EQ(Messages::pendingAnswers(), 0) << "answers queued but not asked for";
    form.reset();
    ctx.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left on";
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    Messages::reset();
}

void KeyManagerTest::start(bool openMainKeyRing)
{
    ctx = std::make_unique<AppContext>(QString::fromStdString(dir.path()));
    if (openMainKeyRing) ctx->mainKeyRing().DBOpen(zerath::KeyRing::MissingFile::Create);
    form = std::make_unique<TKeyGenForm>(*ctx);
    form->move(60, 60);
    showManager();
}

void KeyManagerTest::showManager()
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

void KeyManagerTest::hideManager()
{
    form->hide();
}

void KeyManagerTest::importPrivate(const std::string& path, const QString& passphrase)
{
    Messages::setNextFileName(QString::fromStdString(path));
    Messages::setNextText(passphrase);
    click(form->ImportKeybtn);
}

void KeyManagerTest::importPublic(const std::string& path)
{
    Messages::setNextFileName(QString::fromStdString(path));
    click(form->ImportKeybtn);
}

void KeyManagerTest::importGeneratedPair()
{
    const GeneratedPair& g = generatedPair();
    ASSERT_TRUE(g.finished);
    importPrivate(g.privateFile);
    importPublic(g.publicFile);
    ASSERT_EQ(rowCount(), 2);
    ASSERT_EQ(newBoxes(), 0) << Messages::lastShown().text.toStdString();
}

int KeyManagerTest::rowCount() const
{
    return form->DBGrid->keyModel().rowCount();
}

int KeyManagerTest::currentRow() const
{
    return form->DBGrid->currentRow();
}

void KeyManagerTest::clickRow(int row)
{
    TKeyRingGrid* g = form->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
}

void KeyManagerTest::doubleClickRow(int row)
{
    TKeyRingGrid* g = form->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cell.center());
}

QColor KeyManagerTest::cellColour(int row, int column) const
{
    TKeyRingGrid* g = form->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, column));
    const QImage img = g->viewport()->grab().toImage();
    const qreal dpr = img.devicePixelRatio();
    return img.pixelColor(int((cell.left() + 3) * dpr), int((cell.bottom() - 1) * dpr));
}

void KeyManagerTest::expectLastBox(Messages::Kind kind, const QString& text)
{
    ASSERT_FALSE(Messages::shown().isEmpty()) << "no box shown, expected: " << text.toStdString();
    const Messages::Shown s = Messages::lastShown();
    EXPECT_EQ(int(s.kind), int(kind)) << s.text.toStdString();
    EXPECT_EQ(s.text.toStdString(), text.toStdString());
}

int KeyManagerTest::newBoxes()
{
    const int now = int(Messages::shown().size());
    const int n = now - m_boxesSeen;
    m_boxesSeen = now;
    return n;
}

} // namespace kwtest
