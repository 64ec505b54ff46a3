#include "windows/BatchSummaryDlg.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/FileIO.h"
#include "common/GeneralErrorHandler.h"
#include "common/Messages.h"
#include "common/Screenshots.h"
#include "common/SecretText.h"
#include "filecrypt/BatchSummary.h"

namespace {

QString groupTitle(const zerath::ReasonGroup& g)
{
    const QString reason = Messages::displayText(coreText(g.reason));
    return g.paths.size() == 1 ? reason : reason + QStringLiteral(" (%1 files)").arg(g.paths.size());
}

QString moreLine(std::size_t more)
{
    return QStringLiteral("\u2026 and %1 more (Save lists them all)").arg(more);
}

} // namespace

BatchSummaryDlg::BatchSummaryDlg(const zerath::BatchResult& r, bool decrypt, QWidget* parent)
    : QDialog(parent), m_report(zerath::BatchReport(r, decrypt))
{
    setObjectName(QStringLiteral("BatchSummaryDlg"));
    setWindowTitle(QStringLiteral("Zerath"));
    auto* layout = new QVBoxLayout(this);
    Headline = new QLabel(coreText(zerath::BatchHeadline(r, decrypt)), this);
    Headline->setObjectName(QStringLiteral("Headline"));
    layout->addWidget(Headline);

    Reasons = new QTreeWidget(this);
    Reasons->setObjectName(QStringLiteral("Reasons"));
    Reasons->setAccessibleName(QStringLiteral("Files not done, by reason"));
    Reasons->setHeaderHidden(true);
    Reasons->setUniformRowHeights(true);
    const std::vector<zerath::ReasonGroup> groups = zerath::NotDoneByReason(r);
    std::size_t listed = 0;
    int wide = 0;
    const QFontMetrics metrics = Reasons->fontMetrics();
    const auto item = [&](QTreeWidgetItem* parent, const QString& text) {
        wide = std::max(wide, metrics.horizontalAdvance(text));
        return parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(Reasons, {text});
    };
    for (const zerath::ReasonGroup& g : groups) {
        QTreeWidgetItem* top = item(nullptr, groupTitle(g));
        const std::size_t shown = std::min<std::size_t>(g.paths.size(), kNamesShown);
        for (std::size_t i = 0; i < shown; ++i) item(top, coreText(*g.paths[i]));
        if (shown < g.paths.size()) new QTreeWidgetItem(top, {moreLine(g.paths.size() - shown)});
        listed += shown;
    }
    if (listed <= 40) Reasons->expandAll();
    Reasons->setVisible(!groups.empty());
    layout->addWidget(Reasons, 1);

    auto* buttons = new QDialogButtonBox(this);
    Savebtn = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    Savebtn->setObjectName(QStringLiteral("Savebtn"));
    OKbtn = buttons->addButton(QDialogButtonBox::Ok);
    OKbtn->setObjectName(QStringLiteral("OKbtn"));
    connect(Savebtn, &QPushButton::clicked, this, &BatchSummaryDlg::save);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    // As wide as the names need, but never beyond two thirds of the screen.
    const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 2 / 3 : QSize(800, 600);
    resize(std::clamp(wide + 80, 420, std::max(420, room.width())), groups.empty() ? 120 : std::min(room.height(), 460));
}

void BatchSummaryDlg::save()
{
    const QString name = Messages::saveFileName(QStringLiteral("Save Summary"), QStringLiteral("Text Files (*.txt)|*.txt"),
                                                QStringLiteral(".txt"), QStringLiteral("Zerath summary.txt"));
    if (name.isEmpty()) return;
    guarded(this, [&] { zerath::writeFileAtomically(localPath(name), m_report); });
}

QString BatchSummaryDlg::text(const zerath::BatchResult& r, bool decrypt)
{
    QStringList lines{coreText(zerath::BatchHeadline(r, decrypt))};
    for (const zerath::ReasonGroup& g : zerath::NotDoneByReason(r)) {
        lines << groupTitle(g);
        const std::size_t shown = std::min<std::size_t>(g.paths.size(), kNamesShown);
        for (std::size_t i = 0; i < shown; ++i) lines << QStringLiteral("  ") + QFileInfo(coreText(*g.paths[i])).fileName();
        if (shown < g.paths.size()) lines << QStringLiteral("  ") + moreLine(g.paths.size() - shown);
    }
    return lines.join(QLatin1Char('\n'));
}

void BatchSummaryDlg::showFor(QWidget* parent, const zerath::BatchResult& r, bool decrypt)
{
    if (Messages::isScripted()) {
        Messages::show(parent, r.failures() == 0 && r.skipped.empty() ? Messages::Kind::Information
                                                                       : Messages::Kind::Warning,
                       text(r, decrypt));
        return;
    }
    BatchSummaryDlg dlg(r, decrypt, parent);
    dlg.exec();
}

// ---- screenshot: a folder batch that left files out ----

ZERATH_SCREENSHOT(batch_summary, [] {
    using zerath::BatchFileResult;
    zerath::BatchResult r;
    const std::string home = "/home/alice/Photos/2026/";
    for (int i = 1; i <= 212; ++i) {
        const std::string name = home + "Summer/IMG_" + std::to_string(4000 + i) + ".jpg";
        r.files.push_back({name, BatchFileResult::Outcome::Done, name + ".enc", ""});
    }
    r.files.push_back({home + "notes.txt", BatchFileResult::Outcome::Refused, "", "kept the existing notes.txt.enc"});
    r.files.push_back({home + "private/diary.odt", BatchFileResult::Outcome::Failed, "",
                       "cannot be read: permission denied"});
    r.files.push_back({home + "Winter/IMG_5001.jpg", BatchFileResult::Outcome::Cancelled, "", "Operation cancelled."});
    r.skipped = {{home + "latest", "symbolic link, not followed"},
                 {home + "Summer/IMG_4001.jpg.enc", "already encrypted"},
                 {home + "Summer/IMG_4002.jpg.enc", "already encrypted"}};
    r.total = 5000;
    r.cancelled = true;
    auto* dlg = new BatchSummaryDlg(r, false);
    dlg->Reasons->expandAll();
    return dlg;
})
