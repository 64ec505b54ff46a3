#include "windows/OptionsDlg.h"
#include "widgets/DesignLayout.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/AppContext.h"
#include "app/WindowLook.h"
#include "common/Resources.h"
#include "settings/Settings.h"

// ---- dialog ----

namespace {

const char* const kCompressionEntries[] = {
    "No Compression (Disabled)",
    "Fastest Compression",
    "Normal Compression",
    "Maximum Compression (Slowest)",
};

QGroupBox* whiteGroup(const QString& title, QWidget* parent)
{
    auto* g = new QGroupBox(title, parent);
    look::setTextColour(g, Qt::white);
    QFont f = look::uiFont(12, true);
    g->setFont(f);
    return g;
}

} // namespace

TOptionsDlg::TOptionsDlg(AppContext& ctx, QWidget* parent) : SkinnedWindow(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("OptionsDlg"));
    setWindowTitle(QStringLiteral("Options"));
    setBackground(QString::fromLatin1(Pictures::Options));
    if (background().isNull()) setFixedSize(kWidth, kHeight);
    setOutline(WindowOutline::roundRect(0, 0, width() + 1, height() + 1, 20, 20));
    setDraggable(true);

    Label3 = addTitle(QStringLiteral("Options"));
    Label3->setObjectName(QStringLiteral("Label3"));

    GroupBox1 = whiteGroup(QStringLiteral("Compression Level "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    place(GroupBox1, 20, 48, 325, 96);
    cbxCompress = new QComboBox(GroupBox1);
    cbxCompress->setObjectName(QStringLiteral("cbxCompress"));
    cbxCompress->setEditable(false);
    cbxCompress->setFont(look::uiFont(12));
    for (const char* e : kCompressionEntries)
        cbxCompress->addItem(QString::fromLatin1(e));
    designPlace(cbxCompress, QRect(12, 22, 301, 24));
    cbxCompress->setAccessibleName(QStringLiteral("Compression Level"));
    compresshints = new QLabel(
        QStringLiteral("Compression level: Use maximum compression for documents and files less than 10 Mb. "
                       "For large files use fastest compression or disable it."),
        GroupBox1);
    compresshints->setObjectName(QStringLiteral("compresshints"));
    compresshints->setWordWrap(true);
    compresshints->setFont(look::uiFont(11));
    look::setTextColour(compresshints, look::kDimText);
    designPlace(compresshints, QRect(12, 50, 301, 40));

    GroupBox2 = whiteGroup(QStringLiteral("File Shreddering "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    place(GroupBox2, 20, 150, 325, 56);
    Label1 = new QLabel(QStringLiteral("Number of times files are wiped out"), GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(look::uiFont(12));
    look::setTextColour(Label1, look::kLightText);
    designPlace(Label1, QRect(12, 24, 226, 20));
    Edit1 = new QLineEdit(QStringLiteral("4"), GroupBox2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setFont(look::uiFont(12));
    designPlace(Edit1, QRect(246, 22, 40, 24));
    ShredCount = new TUpDown(GroupBox2);
    ShredCount->setObjectName(QStringLiteral("ShredCount"));
    ShredCount->setRange(zerath::Settings::kMinPasses, zerath::Settings::kMaxPasses);
    ShredCount->setIncrement(2);
    ShredCount->setPosition(zerath::Settings::kMinPasses);
    ShredCount->setAssociate(Edit1);
    Label1->setBuddy(Edit1); // a spin box to a screen reader, named by this caption
    designPlace(ShredCount, QRect(287, 22, 20, 24));

    OKbtn = new QPushButton(QStringLiteral("OK"), this);
    OKbtn->setObjectName(QStringLiteral("OKbtn"));
    OKbtn->setDefault(true);
    place(OKbtn, 183, 215, 78, 26);
    cancelbtn = new QPushButton(QStringLiteral("Cancel"), this);
    cancelbtn->setObjectName(QStringLiteral("cancelbtn"));
    cancelbtn->setAutoDefault(false);
    place(cancelbtn, 267, 215, 78, 26);
    connect(OKbtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelbtn, &QPushButton::clicked, this, &QDialog::reject);

    loadSettings();
    m_ctx.setPassCountProvider([this] { return passCount(); });
}

TOptionsDlg::~TOptionsDlg()
{
    m_ctx.setPassCountProvider({});
}

void TOptionsDlg::loadSettings()
{
    const zerath::Settings& settings = m_ctx.settings();
    const int level = settings.compressionLevel();
    // A stored count outside the counter's steps is brought to the nearest
    // step below within 4..10, so a wipe never makes more than ten passes.
    ShredCount->setPosition(zerath::Settings::ClampPassCount(settings.shredCount()));
    cbxCompress->setCurrentIndex(level >= 0 && level < cbxCompress->count() ? level : -1);
    if (level >= 0 && level <= 3) m_ctx.setCompressionLevel(level);
}

int TOptionsDlg::compressionIndex() const
{
    return cbxCompress->currentIndex();
}

int TOptionsDlg::passCount() const
{
    return ShredCount->position();
}

bool TOptionsDlg::showModalOver(QWidget* mainWindow)
{
    return execCentredOver(mainWindow) == QDialog::Accepted;
}
