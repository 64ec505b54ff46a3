#include "windows/KeyRingGrid.h"
#include "app/TextFormat.h"
#include "widgets/UiScale.h"

#include <QStyle>
#include <QScrollBar>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>

#include "common/Resources.h"

namespace {

int fieldIndex(const std::string& name)
{
    for (std::size_t k = 0; k < zerath::kKeyRecordFields.size(); ++k)
        if (zerath::kKeyRecordFields[k].name == name) return int(k);
    return -1;
}

QString fieldText(const zerath::KeyRecord& record, const std::string& field)
{
    const int k = fieldIndex(field);
    if (k < 0) return QString();
    const std::string_view v = zerath::FieldOf(record, std::size_t(k));
    return KeyText(v);
}

// The key icons are drawn on white; white lies outside the picture.
QPixmap iconWithoutWhite(const char* path)
{
    QPixmap pm = loadPixmap(path);
    if (!pm.isNull()) pm.setMask(pm.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return pm;
}

constexpr int kIndicatorWidth = 12;
constexpr int kRowHeight = 18;

} // namespace

std::vector<KeyGridColumn> mainWindowKeyColumns()
{
    return {
        {"Type", QStringLiteral("Type"), 76, Qt::AlignLeft, Qt::AlignLeft},
        {"UserID", QStringLiteral("User ID"), 143, Qt::AlignLeft, Qt::AlignHCenter},
        {"KeyID", QStringLiteral("Key ID"), 73, Qt::AlignLeft, Qt::AlignLeft},
        {"KeyLength", QStringLiteral("Length"), 39, Qt::AlignLeft, Qt::AlignLeft},
        {"Date", QStringLiteral("Creation"), 74, Qt::AlignLeft, Qt::AlignLeft},
    };
}

bool storedExponentDIsPrivate(const zerath::KeyRecord& record)
{
    return record.ExponentD.size() > 128;
}

// ---- model ----

KeyRingModel::KeyRingModel(std::vector<KeyGridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
}

void KeyRingModel::setKeyRing(zerath::KeyRing* ring)
{
    m_ring = ring;
    reload();
}

void KeyRingModel::reload()
{
    beginResetModel();
    m_rows = (m_ring && m_ring->Active()) ? m_ring->RowCount() : 0;
    m_indicator = -1;
    endResetModel();
}

zerath::KeyRecord KeyRingModel::recordAt(int row) const
{
    if (!m_ring || !m_ring->Active() || row < 0 || row >= m_rows) return {};
    const auto& rows = m_ring->Rows();
    if (std::size_t(row) >= rows.size()) return {};
    return rows[std::size_t(row)];
}

void KeyRingModel::setIndicatorRow(int row)
{
    if (row == m_indicator) return;
    const int old = m_indicator;
    m_indicator = row;
    if (old >= 0 && old < m_rows) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < m_rows) emit headerDataChanged(Qt::Vertical, row, row);
}

int KeyRingModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int KeyRingModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant KeyRingModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= int(m_columns.size())) return {};
    const KeyGridColumn& c = m_columns[std::size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        if (!m_ring || !m_ring->Active()) return {};
        const auto& rows = m_ring->Rows();
        if (std::size_t(index.row()) >= rows.size()) return {};
        return fieldText(rows[std::size_t(index.row())], c.field);
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.valueAlignment | Qt::AlignTop);
    case Qt::ToolTipRole: // the whole text of a cell too narrow for it
        return data(index, Qt::DisplayRole);
    default:
        return {};
    }
}

QVariant KeyRingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The indicator column marks the current record.
        if (role == Qt::DisplayRole) return section == m_indicator ? QStringLiteral("\u25B8") : QString();
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
        return {};
    }
    if (section < 0 || section >= int(m_columns.size())) return {};
    const KeyGridColumn& c = m_columns[std::size_t(section)];
    if (role == Qt::DisplayRole) return c.title;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(c.titleAlignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags KeyRingModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---- delegate ----

KeyRingDelegate::KeyRingDelegate(const KeyRingModel& model, QObject* parent)
    : QStyledItemDelegate(parent),
      m_model(model),
      m_isKeyPair(storedExponentDIsPrivate),
      m_pubIcon(iconWithoutWhite(Pictures::PubKeySmall)),
      m_pairIcon(iconWithoutWhite(Pictures::PrivKeySmall))
{
}

void KeyRingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const zerath::KeyRecord record = m_model.recordAt(index.row());
    const bool selected = option.state & QStyle::State_Selected;
    QColor background = m_isKeyPair && m_isKeyPair(record) ? m_colours.keyPairRow : m_colours.publicRow;
    QColor text = m_colours.text;
    QFont font = option.font;
    if (selected) {
        const bool highlighted = m_highlight && m_highlight();
        background = highlighted ? m_colours.highlightRow : m_colours.selectedRow;
        text = highlighted ? m_colours.highlightText : m_colours.selectedText;
        font.setBold(true);
    }

    const QRect cell = option.rect;
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(cell, background);
    painter->setFont(font);
    painter->setPen(text);

    const QString value = index.data(Qt::DisplayRole).toString();
    QRect textRect = cell.adjusted(2, 2, -2, 0);
    const auto elided = [&](const QRect& r) { return QFontMetrics(font).elidedText(value, Qt::ElideRight, r.width()); };
    if (index.column() == m_iconColumn && m_model.rowCount() > 0) {
        const QPixmap& icon = QString::fromStdString(record.Type) == QLatin1String("Pub") ? m_pubIcon : m_pairIcon;
        int textLeft = cell.left() + 2;
        if (!icon.isNull()) {
            painter->drawPixmap(cell.left() + 2, cell.top(), icon);
            textLeft = cell.left() + icon.width() + 6;
        }
        textRect.setLeft(textLeft);
        painter->drawText(textRect, int(Qt::AlignLeft | Qt::AlignTop) | Qt::TextSingleLine, elided(textRect));
    } else {
        const Qt::Alignment align =
            Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
        painter->drawText(textRect, int(align | Qt::AlignTop) | Qt::TextSingleLine, elided(textRect));
    }
    painter->restore();
}

// ---- view ----

TKeyRingGrid::TKeyRingGrid(std::vector<KeyGridColumn> columns, QWidget* parent) : QTableView(parent)
{
    m_model = new KeyRingModel(std::move(columns), this);
    m_delegate = new KeyRingDelegate(*m_model, this);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    QHeaderView* h = horizontalHeader();
    QFont bold = h->font();
    bold.setBold(true);
    h->setFont(bold);
    h->setSectionsClickable(false);
    h->setSectionsMovable(false);
    h->setHighlightSections(false);
    h->setStretchLastSection(false);
    h->setSectionResizeMode(QHeaderView::Fixed);
    h->setMinimumSectionSize(8);
    h->setFixedHeight(ui::px(kRowHeight + 2));
    for (int i = 0; i < int(m_model->columns().size()); ++i)
        h->resizeSection(i, ui::px(m_model->columns()[std::size_t(i)].width));

    QHeaderView* v = verticalHeader();
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setMinimumSectionSize(ui::px(kRowHeight));
    v->setDefaultSectionSize(ui::px(kRowHeight));
    v->setFixedWidth(ui::px(kIndicatorWidth));
    v->setSectionsClickable(false);
    v->setHighlightSections(false);

    setColours(KeyGridColours{});

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TKeyRingGrid::onCurrentRowChanged);
    // A scroll bar that appears takes its width from the widest column, so
    // the last one is never cut off and nothing scrolls sideways.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { fitColumns(); });
}

void TKeyRingGrid::fitColumns()
{
    const auto& columns = m_model->columns();
    if (columns.empty()) return;
    int total = 0;
    std::size_t widest = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        total += ui::px(columns[i].width);
        if (columns[i].width > columns[widest].width) widest = i;
    }
    const int bar = verticalScrollBar()->maximum() > 0 ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
    const int room = width() - 2 * frameWidth() - verticalHeader()->width() - bar;
    const int excess = std::max(0, total - room);
    horizontalHeader()->resizeSection(int(widest), std::max(ui::px(columns[widest].width) - excess, 8));
    horizontalScrollBar()->setValue(0);
}

void TKeyRingGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void TKeyRingGrid::setColours(const KeyGridColours& colours)
{
    m_delegate->setColours(colours);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colours.gridBackground);
    pal.setColor(QPalette::Window, colours.gridBackground);
    setPalette(pal);
    viewport()->update();
}

void TKeyRingGrid::setKeyRing(zerath::KeyRing* ring)
{
    m_model->setKeyRing(ring);
    followKeyRing();
}

void TKeyRingGrid::reload()
{
    m_model->reload();
    followKeyRing();
}

int TKeyRingGrid::currentRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TKeyRingGrid::followKeyRing()
{
    zerath::KeyRing* ring = keyRing();
    if (!ring || m_moving) return;
    // A table changed under the model (records added or removed) is read anew.
    const int rows = ring->Active() ? ring->RowCount() : 0;
    if (rows != m_model->rowCount()) {
        m_following = true;
        m_model->reload();
        m_following = false;
    }
    const int row = ring->Active() ? ring->CurrentRow() : -1;
    m_following = true;
    if (row >= 0 && row < m_model->rowCount()) {
        const QModelIndex idx = m_model->index(row, 0);
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(idx);
    } else {
        selectionModel()->clear();
    }
    m_model->setIndicatorRow(row);
    m_following = false;
    viewport()->update();
}

void TKeyRingGrid::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) return;
    const QModelIndex idx = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TKeyRingGrid::onCurrentRowChanged(const QModelIndex& current, const QModelIndex& previous)
{
    (void)previous;
    m_model->setIndicatorRow(current.isValid() ? current.row() : -1);
    if (m_following || !current.isValid()) return;
    zerath::KeyRing* ring = keyRing();
    if (ring && ring->Active() && ring->CurrentRow() != current.row()) moveKeyRingTo(current.row());
    viewport()->update();
    emit currentRecordChanged(current.row());
}

void TKeyRingGrid::moveKeyRingTo(int row)
{
    zerath::KeyRing* ring = keyRing();
    m_moving = true;
    try {
        ring->First();
        for (int i = 0; i < row; ++i)
            if (!ring->Next()) break;
    } catch (...) {
        m_moving = false;
        throw;
    }
    m_moving = false;
}

int TKeyRingGrid::naturalWidth() const
{
    int w = 2 * frameWidth() + verticalHeader()->width();
    for (const auto& c : m_model->columns())
        w += ui::px(c.width);
    return w;
}
