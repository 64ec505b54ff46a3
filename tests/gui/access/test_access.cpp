// Every window as a screen reader and a keyboard-only user meet it: each
// control has a name and a role that says what it is, Tab reaches every
// control that takes focus, and the actions offered to the mouse have keys.
#include <QAbstractItemView>
#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTreeWidget>

#include "GuiFixture.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"
#include "widgets/Accessibles.h"
#include "widgets/FileListBox.h"
#include "widgets/FolderTree.h"
#include "widgets/HNoShape.h"
#include "widgets/ReadableColours.h"
#include "widgets/SkinnedWindow.h"
#include "widgets/UiScale.h"
#include "windows/CryptForm.h"
#include "windows/FPCheckFrm.h"
#include "windows/ChangePassFrm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyGenNowForm.h"
#include "windows/KeyInfoFrm.h"
#include "windows/KeyRingGrid.h"
#include "windows/OptionsDlg.h"
#include "windows/PopupFrm.h"
#include "windows/ShredderForm.h"

namespace guitest {
namespace {

bool insideItemView(QWidget* w, QWidget* window)
{
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QComboBox*>(p)) return true;
    return false;
}

bool takesTab(QWidget* w) { return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled(); }

// Controls a user acts on or reads a state from.
bool interactive(QWidget* w)
{
    return takesTab(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<THNoShape*>(w) ||
           qobject_cast<TALProgressBar*>(w) || qobject_cast<TALStatusBar*>(w) || qobject_cast<a11y::ProgressStandIn*>(w);
}

void expectSpeakable(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !interactive(w) || insideItemView(w, window)) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(iface, nullptr) << w->objectName().toStdString();
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty()) << w->objectName().toStdString() << " has no name";
        const QAccessible::Role role = iface->role();
        EXPECT_TRUE(role != QAccessible::Client && role != QAccessible::NoRole && role != QAccessible::Pane &&
                    role != QAccessible::Grouping)
            << w->objectName().toStdString() << " has role " << int(role);
    }
}

void expectTabReachesAll(QWidget* window)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QSet<QWidget*> expected, reached;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisibleTo(window) && takesTab(w) && !insideItemView(w, window)) expected << w;
    if ((!QApplication::focusWidget() || QApplication::focusWidget()->window() != window) && !expected.isEmpty())
        (*expected.begin())->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 3 * expected.size() + 3; ++i) {
        QWidget* at = QApplication::focusWidget();
        if (!at) break;
        reached << at;
        QTest::keyClick(at, Qt::Key_Tab);
    }
    for (QWidget* w : expected) {
        // Tab enters an exclusive group once; the arrow keys move within it.
        auto* b = qobject_cast<QAbstractButton*>(w);
        if (b && b->group() && b->group()->exclusive() &&
            std::any_of(reached.begin(), reached.end(), [&](QWidget* r) { return b->group()->buttons().contains(r); }))
            continue;
        EXPECT_TRUE(reached.contains(w)) << window->objectName().toStdString() << ": Tab never reaches "
                                         << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
}

struct WindowRow { const char* name; std::function<QWidget*(GuiTest&)> open; };

std::unique_ptr<class TShredderForm> g_shredder;

class EveryWindow : public GuiTest, public ::testing::WithParamInterface<WindowRow> {};

TEST_P(EveryWindow, NamesRolesAndTabOrderCoverEveryControl)
{
    QWidget* window = GetParam().open(*this);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    expectSpeakable(window);
    expectTabReachesAll(window);
    // Text on a window's picture brings its own colour: a desktop's dark or
    // light high-contrast palette cannot put dark text on the dark picture.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const auto* l = qobject_cast<QLabel*>(w);
        if (!w->isVisibleTo(window) || !((l && !l->text().isEmpty()) || qobject_cast<QCheckBox*>(w) || qobject_cast<QGroupBox*>(w))) continue;
        EXPECT_TRUE(w->palette().resolveMask() & (quint64(1) << QPalette::WindowText)) << w->objectName().toStdString();
    }
    if (window != mainWindow() && window != keyManager.get()) window->hide();
    g_shredder.reset();
}

// A text shown whole: a label its size hint (its lines, when it wraps), a
// check box its own, a push button its caption with a little margin.
void expectWhole(QWidget* w)
{
    const std::string name = w->metaObject()->className() + (" " + w->objectName().toStdString());
    const QFontMetrics fm = w->fontMetrics();
    if (const auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
        if (l->wordWrap()) EXPECT_GE(l->height(), l->heightForWidth(l->width())) << name;
        else if (l->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) EXPECT_GE(l->width(), l->sizeHint().width()) << name;
        EXPECT_GE(l->height(), fm.height()) << name;
    } else if (qobject_cast<QCheckBox*>(w)) {
        EXPECT_GE(w->width(), w->sizeHint().width()) << name;
    } else if (const auto* b = qobject_cast<QPushButton*>(w)) {
        EXPECT_GE(b->width(), fm.horizontalAdvance(QString(b->text()).remove(QLatin1Char('&'))) + 8) << name;
        EXPECT_GE(b->height(), fm.height()) << name;
    } else if (const auto* list = qobject_cast<QListWidget*>(w); list && list->count() > 0) {
        EXPECT_GE(list->visualItemRect(list->item(0)).height(), fm.height()) << name << " rows";
    }
}

// Every placed control of a window and its panels: whole, inside its
// container, and clear of every control it was clear of on the picture.
void expectLaidOutLikeThePicture(SkinnedWindow* window)
{
    QList<QWidget*> containers = window->findChildren<QWidget*>();
    containers.prepend(window);
    const double s = ui::scale();
    for (QWidget* box : containers) {
        const auto* layout = dynamic_cast<DesignLayout*>(box->layout());
        if (!layout) continue;
        std::vector<std::pair<QWidget*, QRect>> placed; // with its place on the picture
        for (int i = 0; i < layout->count(); ++i) {
            QWidget* w = layout->itemAt(i)->widget();
            if (!w || !w->isVisibleTo(window)) continue;
            const QRect d = layout->designRect(w);
            placed.emplace_back(w, QRect(d.topLeft(), QSize(d.width() < 0 ? int(std::ceil(w->width() / s)) : d.width(),
                                                            d.height() < 0 ? int(std::ceil(w->height() / s)) : d.height())));
            EXPECT_TRUE(box->rect().contains(w->geometry())) << w->objectName().toStdString() << " leaves its container";
            expectWhole(w);
        }
        for (std::size_t i = 0; i < placed.size(); ++i)
            for (std::size_t j = i + 1; j < placed.size(); ++j)
                if (!placed[i].second.intersects(placed[j].second))
                    EXPECT_FALSE(placed[i].first->geometry().intersects(placed[j].first->geometry()))
                        << placed[i].first->objectName().toStdString() << " over " << placed[j].first->objectName().toStdString();
    }
}

// A status bar's first panel (a path, a file) takes what the others leave as
// the bar grows, and a control laid over a panel fills it.
void expectPanelsFollowTheBar(TALStatusBar* bar)
{
    const QSize was = bar->size();
    const int first = bar->panelRect(0).width();
    bar->resize(was.width() + 200, was.height());
    EXPECT_EQ(bar->panelRect(0).width(), first + 200) << bar->objectName().toStdString();
    EXPECT_GE(bar->panelRect(0).width(), bar->fontMetrics().horizontalAdvance(bar->panelText(0)));
    for (QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect in = child->geometry();
        bool fills = false;
        for (int i = 0; i < bar->panelCount(); ++i) {
            const QRect p = bar->panelRect(i);
            fills = fills || (p.contains(in) && in.width() >= p.width() - 4 && in.height() >= p.height() - 4);
        }
        EXPECT_TRUE(fills) << child->objectName().toStdString() << " does not fill its panel";
    }
    bar->resize(was);
}

QWidget* shredder(GuiTest& t)
{
    t.startMain();
    g_shredder = std::make_unique<TShredderForm>(*t.ctx, QStringList{QString::fromStdString(t.home())});
    g_shredder->setModal(false);
    return g_shredder.get();
}

#define KEY_DIALOG(get) [](GuiTest& t) -> QWidget* { t.startKeyManager(); return t.keyManager->get(); }
const WindowRow kWindows[] = {
    {"main", [](GuiTest& t) -> QWidget* { t.startMain(); return t.mainWindow(); }},
    {"options", [](GuiTest& t) -> QWidget* { t.startMain(); return t.windows->options(); }},
    {"progress", [](GuiTest& t) -> QWidget* { t.startMain(); return t.windows->progress(); }},
    {"keymanager", [](GuiTest& t) -> QWidget* { t.startKeyManager(); return t.keyManager.get(); }},
    {"keygen", KEY_DIALOG(generationDialog)}, {"changepass", KEY_DIALOG(changePassDialog)},
    {"keyinfo", KEY_DIALOG(keyInfoDialog)}, {"fpcheck", KEY_DIALOG(fpCheckDialog)}, {"shredder", shredder},
};

// Run at the desktop's font size and again at one and a half times it.
TEST_P(EveryWindow, TextsFitAndControlsStayApart)
{
    auto* window = qobject_cast<SkinnedWindow*>(GetParam().open(*this));
    ASSERT_NE(window, nullptr);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    if (g_shredder) g_shredder->ListBox1->addItem(QStringLiteral("payslip-2023-11.pdf")), QApplication::processEvents();
    expectLaidOutLikeThePicture(window);
    for (auto* bar : window->findChildren<TALStatusBar*>()) if (bar->isVisibleTo(window)) expectPanelsFollowTheBar(bar);
    if (auto* progress = qobject_cast<Tpopupfrm*>(window)) { // texts change as the work goes on
        progress->setLines(QStringLiteral("Data decryption done."), QStringLiteral("Data uncompress started, please wait..."), {}, 2);
        window->settleLayout();
        expectLaidOutLikeThePicture(window);
    }
    if (window != mainWindow() && window != keyManager.get()) window->hide();
    g_shredder.reset();
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindow, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

using readable::contrast;

// What is behind a text drawn on a picture: the middle colour, by lightness, of a frame round it.
QColor around(const QImage& shot, QRect r)
{
    std::vector<QColor> ring;
    r = r.adjusted(-2, -2, 2, 2).intersected(shot.rect());
    for (int x = r.left(); x <= r.right(); ++x) ring.push_back(shot.pixelColor(x, r.top())), ring.push_back(shot.pixelColor(x, r.bottom()));
    for (int y = r.top(); y <= r.bottom(); ++y) ring.push_back(shot.pixelColor(r.left(), y)), ring.push_back(shot.pixelColor(r.right(), y));
    std::nth_element(ring.begin(), ring.begin() + ring.size() / 2, ring.end(), [](auto& a, auto& b) { return contrast(a, Qt::black) < contrast(b, Qt::black); });
    return ring[ring.size() / 2];
}

struct TextPair { std::string where; QColor text, behind; };

// Every text of a window with the colour it is drawn in and the colour behind it.
std::vector<TextPair> textPairs(QWidget* window)
{
    const QImage shot = window->grab().toImage().scaled(window->size());
    std::vector<TextPair> pairs;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !w->isEnabled()) continue;
        const QPalette& pal = w->palette();
        const std::string name = (QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName()).toStdString();
        const auto onPicture = [&](const QColor& colour, const QString& text, const QRect& area, int align) {
            const QRect r = w->fontMetrics().boundingRect(area, align | Qt::TextShowMnemonic, text);
            if (!text.trimmed().isEmpty()) pairs.push_back({name, colour, around(shot, r.translated(w->mapTo(window, QPoint())))});
        };
        const auto roles = [&](QPalette::ColorRole text, QPalette::ColorRole behind) {
            for (auto g : {QPalette::Active, QPalette::Inactive}) pairs.push_back({name, pal.color(g, text), pal.color(g, behind)});
        };
        auto* button = qobject_cast<QAbstractButton*>(w);
        const int indent = w->style()->pixelMetric(QStyle::PM_IndicatorWidth) + w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        if (auto* l = qobject_cast<QLabel*>(w))
            onPicture(pal.color(w->foregroundRole()), l->text(), l->contentsRect(), int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0));
        else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
            onPicture(pal.color(w->foregroundRole()), button->text(), w->rect().adjusted(indent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter);
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            onPicture(pal.color(QPalette::WindowText), g->title(), w->rect().adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop);
        else if (auto* h = qobject_cast<THNoShape*>(w))
            onPicture(h->captionColor(), h->caption(), w->rect(), Qt::AlignCenter);
        else if ((button && !button->text().isEmpty()) || qobject_cast<QHeaderView*>(w) || (qobject_cast<QComboBox*>(w) && !static_cast<QComboBox*>(w)->isEditable()))
            roles(QPalette::ButtonText, QPalette::Button);
        else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w))
            roles(QPalette::Text, QPalette::Base);
        else if (qobject_cast<TALStatusBar*>(w))
            roles(QPalette::WindowText, QPalette::Window);
        else if (auto* bar = qobject_cast<TALProgressBar*>(w))
            pairs.push_back({name, bar->textColor(), bar->backgroundColor()});
        else if (auto* grid = qobject_cast<TKeyRingGrid*>(w)) {
            const KeyGridColours& c = grid->keyDelegate().colours();
            for (auto [text, behind] : {std::pair{c.text, c.publicRow}, {c.text, c.keyPairRow}, {c.selectedText, c.selectedRow}, {c.highlightText, c.highlightRow}})
                pairs.push_back({name, text, behind});
        } else if (qobject_cast<QAbstractItemView*>(w))
            roles(QPalette::Text, QPalette::Base), roles(QPalette::HighlightedText, QPalette::Highlight);
    }
    return pairs;
}

// A desktop's high-contrast colours (as qt6ct writes them) and the default ones.
class HighContrast : public GuiTest, public ::testing::WithParamInterface<std::tuple<WindowRow, const char*>> {};

TEST_P(HighContrast, EveryTextStandsOutFromWhatIsBehindIt)
{
    struct Restore { QPalette before; ~Restore() { QApplication::setPalette(before); } } restore{QApplication::palette()};
    const QString scheme = QString::fromLatin1(std::get<1>(GetParam()));
    if (!scheme.isEmpty()) QApplication::setPalette(schemePalette(QStringLiteral(ZERATH_TEST_DATA_DIR "/gui/high-contrast-") + scheme + QStringLiteral(".conf")));
    QWidget* window = std::get<0>(GetParam()).open(*this);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    for (const TextPair& p : textPairs(window))
        EXPECT_GE(contrast(p.text, p.behind), readable::kMinimumContrast) << p.where << ": " << p.text.name().toStdString() << " on " << p.behind.name().toStdString();
    if (window != mainWindow() && window != keyManager.get()) window->hide();
    g_shredder.reset();
}

INSTANTIATE_TEST_SUITE_P(Windows, HighContrast, ::testing::Combine(::testing::ValuesIn(kWindows), ::testing::Values("", "dark", "light")),
                         [](const auto& info) { return std::get<0>(info.param).name + std::string(std::get<1>(info.param)); });

TEST_F(GuiTest, EnterOnAKeyRowOpensKeyInformationAndSpacePressesTheComparison)
{
    startKeyManager();
    TKeyGenForm* k = keyManager.get();
    whenModal(k->keyInfoDialog(), [&] {
        EXPECT_TRUE(k->keyInfoDialog()->keyinfoMemo->toPlainText().contains(k->FPedit->text().left(8)));
        k->keyInfoDialog()->reject();
    });
    QTest::keyClick(k->DBGrid, Qt::Key_Return);
    whenModal(k->fpCheckDialog(), [&] {
        EXPECT_EQ(k->fpCheckDialog()->FPedit1->text(), k->FPedit->text());
        k->fpCheckDialog()->reject();
    });
    QTest::keyClick(k->SpeedButton1, Qt::Key_Space);
}

TEST_F(GuiTest, DeletingAKeyDefaultsToCancelAndNamesTheKey)
{
    startKeyManager();
    TKeyGenForm* k = keyManager.get();
    const int before = k->DBGrid->keyModel().rowCount();
    const std::string keyId = k->manager().Ring().FieldAsString("KeyID"), owner = k->manager().Ring().FieldAsString("UserID");
    Messages::setNextAnswer(Answer::Cancel), Messages::setNextAnswer(Answer::Cancel);
    click(k->RemoveKey);
    QTest::keyClick(k->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    for (const Messages::Shown& box : Messages::shown()) {
        EXPECT_EQ(int(box.defaultButton), int(Answer::Cancel)) << box.text.toStdString();
        EXPECT_TRUE(box.detail.contains(QString::fromStdString(keyId)) && box.detail.contains(QString::fromStdString(owner)));
    }
    EXPECT_TRUE(Messages::shown().size() == 2 && k->DBGrid->keyModel().rowCount() == before);
}

TEST_F(GuiTest, TheShredderFilterIgnoresCaseAndKeysAddAndRemoveFiles)
{
    for (const char* name : {"a.txt", "UPPER.PDF", "Mixed.Pdf", "z.pdf"}) writeFile(file(name), "x");
    startMain();
    auto form = std::make_unique<TShredderForm>(*ctx, QStringList{qfile("")});
    form->show();
    form->FolderTree1->setSelectedPath(QString::fromStdString(home()));
    form->ExtFilter->setText(QStringLiteral("*.pdf"));
    EXPECT_EQ(form->FileListBox1->names(),
              (QStringList{QStringLiteral("Mixed.Pdf"), QStringLiteral("UPPER.PDF"), QStringLiteral("z.pdf")}));
    for (int row : {0, 2}) form->FileListBox1->item(row)->setSelected(true);
    QTest::keyClick(form->FileListBox1, Qt::Key_Return);
    EXPECT_EQ(form->ListBox1->count(), 2);
    form->FileListBox1->clearSelection(), form->FileListBox1->item(1)->setSelected(true);
    QTest::keyClick(form->FileListBox1, Qt::Key_Insert);
    ASSERT_EQ(form->ListBox1->count(), 3);
    for (int row : {0, 2}) form->ListBox1->item(row)->setSelected(true);
    QTest::keyClick(form->ListBox1, Qt::Key_Delete);
    EXPECT_EQ(form->ListBox1->names(), QStringList{QStringLiteral("z.pdf")});
    // No is the answer Enter gives to shredding; the files stay.
    Messages::setNextAnswer(Answer::No);
    click(form->wipebtn);
    EXPECT_TRUE(Messages::lastShown().defaultButton == Answer::No && Messages::lastShown().kind == Kind::Warning);
    EXPECT_TRUE(exists("z.pdf"));
}

TEST_F(GuiTest, StarInTheFolderTreeOpensOneLevelOfADeepTree)
{
    std::string deep = file("deep");
    for (int i = 0; i < 200; ++i) deep += "/d";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    TFolderTree tree(QStringList{qfile("deep")});
    tree.setCurrentItem(tree.topLevelItem(0));
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    QTreeWidgetItem* child = tree.topLevelItem(0)->child(0);
    ASSERT_TRUE(child && tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(child->isExpanded() || child->data(0, TFolderTree::FilledRole).toBool()); // nothing below was read
}

TEST_F(GuiTest, DecryptionKeepsTheChosenRecipientAndAFailureBlanksTheStatus)
{
    startMain();
    TCryptForm* w = mainWindow();
    const auto select = [&](TestKey k) { doubleClickRow(w->DBGrid, rowOf(w->DBGrid, id(k))); };
    writeFile(file("a.txt"), "for alice"), select(TestKey::AlicePair);
    w->setFileList(w->EncFileEdit, {qfile("a.txt")}, false), Messages::setNextAnswer(Answer::Ok);
    click(w->Encryptbtn);
    ASSERT_TRUE(QFile::remove(qfile("a.txt")) && exists("a.txt.enc"));

    select(TestKey::BobPublic); // the next letter goes to Bob
    w->setFileList(w->DecFileEdit, {qfile("a.txt.enc")}, true);
    Messages::setNextText(QString::fromLatin1(zerath::test::kAlicePassphrase)), Messages::setNextAnswer(Answer::Ok);
    click(w->Decryptbtn);
    EXPECT_EQ(readFile(file("a.txt")), "for alice");
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), id(TestKey::BobPublic));

    QFile::remove(qfile("a.txt")), Messages::setNextText(QStringLiteral("not it")), Messages::setNextAnswer(Answer::Ok);
    click(w->Decryptbtn);
    expectBox(Kind::Error);
    EXPECT_TRUE(w->Status->panelText(0).isEmpty() && w->Status->panelText(1).isEmpty() && !exists("a.txt"));
}

TEST_F(GuiTest, TheKeySearchFindsByOwnerKeyIdOrFingerprintWithoutCase)
{
    startMain();
    TKeyRingGrid* grid = mainWindow()->DBGrid; // Bob's key is found by parts of its fingerprints
    const zerath::KeyRecord bob = grid->keyModel().recordAt(rowOf(grid, id(TestKey::BobPublic)));
    const QString fp = QString::fromStdString(bob.FP), keyFp = QString::fromStdString(zerath::RecordKeyFingerprint(bob));
    using K = TestKey;
    const std::pair<QString, std::vector<K>> rows[] = {
        {QString(), {K::AlicePair, K::BobPublic}},
        {QStringLiteral("ALICE"), {K::AlicePair}},
        {QString::fromStdString(id(K::BobPublic)).toLower(), {K::BobPublic}},
        {fp.mid(fp.size() / 2, 8).toLower(), {K::BobPublic}},
        {keyFp.mid(10, 4) + QLatin1Char(' ') + keyFp.mid(14, 4).toLower(), {K::BobPublic}}, // as it is grouped
        {QStringLiteral("nobody"), {}},
    };
    for (const auto& [typed, keys] : rows) {
        mainWindow()->KeySearch->clear(), QTest::keyClicks(mainWindow()->KeySearch, typed);
        for (K k : {K::AlicePair, K::BobPublic})
            EXPECT_EQ(grid->isRowHidden(rowOf(grid, id(k))), std::find(keys.begin(), keys.end(), k) == keys.end())
                << typed.toStdString();
        EXPECT_TRUE(keys.empty() || !grid->isRowHidden(grid->currentRow())) << "the cursor stays in view";
    }
}

} // namespace
} // namespace guitest
