#include "GuiFixture.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QSettings>

#include "keyring/KeyRing.h"
#include "windows/CryptForm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"

namespace guitest {

void whenModal(QWidget* dialog, std::function<void()> act)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, dialog, act = std::move(act)] {
        const bool up = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
        if (!up && clock->elapsed() < 20000) return;
        timer->stop();
        timer->deleteLater();
        if (!up) {
            ADD_FAILURE() << "the dialog was never shown";
            return;
        }
        act();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        }
    });
    timer->start();
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void clickRow(QAbstractItemView* view, int row, int column)
{
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

void doubleClickRow(QAbstractItemView* view, int row, int column)
{
    // As the window system delivers it: the first click, then the double click.
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

QPalette schemePalette(const QString& path)
{
    QSettings scheme(path, QSettings::IniFormat);
    QPalette pal;
    for (auto [key, group] : {std::pair{"active", QPalette::Active}, {"inactive", QPalette::Inactive}, {"disabled", QPalette::Disabled}}) {
        const QStringList colours = scheme.value(QStringLiteral("ColorScheme/%1_colors").arg(QLatin1String(key))).toStringList();
        for (int role = 0; role < std::min<int>(QPalette::NColorRoles, colours.size()); ++role)
            if (role != QPalette::NoRole) pal.setColor(group, QPalette::ColorRole(role), QColor(colours[role].trimmed()));
    }
    return pal;
}

GuiTest::GuiTest() = default;
GuiTest::~GuiTest() = default;

void GuiTest::SetUp()
{
    useKeys({TestKey::AlicePair, TestKey::BobPublic});
    Messages::setScripted(true);
    Messages::reset();
    TCryptForm::setShowSplash(false);
}

void GuiTest::TearDown()
{
    EXPECT_EQ(Messages::pendingAnswers(), 0) << "answers queued but not asked for";
    keyManager.reset();
    windows.reset();
    ctx.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy cursor left on";
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    Messages::reset();
}

void GuiTest::startMain()
{
    ctx = std::make_unique<AppContext>(QString::fromStdString(home()));
    windows = std::make_unique<ZerathWindows>(*ctx);
    mainWindow()->move(40, 40);
    mainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow()));
}

void GuiTest::startKeyManager(bool openMainKeyRing)
{
    ctx = std::make_unique<AppContext>(QString::fromStdString(home()));
    if (openMainKeyRing) ctx->mainKeyRing().DBOpen(zerath::KeyRing::MissingFile::Create);
    keyManager = std::make_unique<TKeyGenForm>(*ctx);
    keyManager->move(60, 60);
    keyManager->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(keyManager.get()));
}

int GuiTest::rowOf(TKeyRingGrid* grid, const std::string& keyId)
{
    for (int r = 0; r < grid->keyModel().rowCount(); ++r)
        if (grid->keyModel().recordAt(r).KeyID == keyId) return r;
    return -1;
}

void GuiTest::expectBox(Kind kind, int count)
{
    ASSERT_FALSE(Messages::shown().isEmpty()) << "no box shown";
    EXPECT_EQ(int(Messages::lastShown().kind), int(kind)) << Messages::lastShown().text.toStdString();
    if (count >= 0) EXPECT_EQ(Messages::shown().size(), count) << Messages::lastShown().text.toStdString();
}

} // namespace guitest
