#pragma once
// The grid over a key ring table, shared by the main window and the key
// manager: a model over the records of a zerath::KeyRing, a delegate that
// draws each cell with the row colours and key icons, and a view that keeps
// its current row and the table's current record in step.
#include <QAbstractTableModel>
#include <QColor>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <string>
#include <vector>

#include "keyring/KeyRecord.h"
#include "keyring/KeyRing.h"

// One visible column of the grid: a key ring field with its title and width.
struct KeyGridColumn {
    std::string field; // field name of KeyRecord ("Type", "UserID", ...)
    QString title;
    int width = 64;
    Qt::Alignment valueAlignment = Qt::AlignLeft;
    Qt::Alignment titleAlignment = Qt::AlignLeft;
};

// Colours of the rows. The cursor row is drawn bold in `selected` colours, or in
// `highlight` colours while the highlight predicate of the view answers true.
struct KeyGridColours {
    QColor gridBackground{0xE8, 0xE7, 0xE1};
    QColor keyPairRow{0xFE, 0xDC, 0xD8};
    QColor publicRow{0xDA, 0xEE, 0xEF};
    QColor text{Qt::black};
    QColor selectedRow{0xFF, 0xFF, 0xBF};
    QColor selectedText{Qt::black};
    QColor highlightRow{0x9C, 0x06, 0x06};
    QColor highlightText{Qt::white};
};

// The main window's columns and rule: a record is drawn as a key pair when its
// stored ExponentD is longer than 128 characters.
std::vector<KeyGridColumn> mainWindowKeyColumns();
bool storedExponentDIsPrivate(const zerath::KeyRecord& record);

class KeyRingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit KeyRingModel(std::vector<KeyGridColumn> columns, QObject* parent = nullptr);

    // The table shown (not owned); nullptr shows nothing.
    void setKeyRing(zerath::KeyRing* ring);
    zerath::KeyRing* keyRing() const { return m_ring; }
    // Re-reads the records (after the table was opened, closed or changed).
    void reload();

    const std::vector<KeyGridColumn>& columns() const { return m_columns; }
    // Stored form of a row's record; empty record outside the rows.
    zerath::KeyRecord recordAt(int row) const;
    // Row marked by the indicator column.
    void setIndicatorRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<KeyGridColumn> m_columns;
    zerath::KeyRing* m_ring = nullptr;
    int m_rows = 0;
    int m_indicator = -1;
};

class KeyRingDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    KeyRingDelegate(const KeyRingModel& model, QObject* parent = nullptr);

    void setColours(const KeyGridColours& colours) { m_colours = colours; }
    const KeyGridColours& colours() const { return m_colours; }
    // Which records are drawn on the key pair colour.
    void setKeyPairRule(std::function<bool(const zerath::KeyRecord&)> rule) { m_isKeyPair = std::move(rule); }
    // While this answers true the cursor row takes the highlight colours.
    void setHighlight(std::function<bool()> highlight) { m_highlight = std::move(highlight); }
    // Column that shows the key icon before the Type text (-1: none).
    void setIconColumn(int column) { m_iconColumn = column; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const KeyRingModel& m_model;
    KeyGridColours m_colours;
    std::function<bool(const zerath::KeyRecord&)> m_isKeyPair;
    std::function<bool()> m_highlight;
    int m_iconColumn = 0;
    QPixmap m_pubIcon, m_pairIcon;
};

// The grid: whole-row selection, bold titles, an indicator column, grid lines,
// no editing. Moving its cursor moves the table's current record; after the
// table's cursor moved (its OnDataChange, which the owner forwards by calling
// followKeyRing), the grid shows that record as current.
class TKeyRingGrid : public QTableView {
    Q_OBJECT
public:
    explicit TKeyRingGrid(std::vector<KeyGridColumn> columns, QWidget* parent = nullptr);

    KeyRingModel& keyModel() { return *m_model; }
    KeyRingDelegate& keyDelegate() { return *m_delegate; }

    void setKeyRing(zerath::KeyRing* ring);
    zerath::KeyRing* keyRing() const { return m_model->keyRing(); }
    void setColours(const KeyGridColours& colours);

    // Re-reads the records and shows the table's current record.
    void reload();
    // Shows the table's current record as the grid's current row.
    void followKeyRing();
    // Makes `row` current in the grid and in the table.
    void selectRow(int row);
    int currentRow() const;
    // Whether the view itself is moving the table's cursor (the owner's data
    // change handler may want to skip work meanwhile).
    bool isMovingKeyRing() const { return m_moving; }
    // Width needed to show every column without scrolling.
    int naturalWidth() const;

signals:
    // The user moved the grid's cursor to another record.
    void currentRecordChanged(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();
    void onCurrentRowChanged(const QModelIndex& current, const QModelIndex& previous);
    void moveKeyRingTo(int row);

    KeyRingModel* m_model;
    KeyRingDelegate* m_delegate;
    bool m_moving = false;
    bool m_following = false;
};
