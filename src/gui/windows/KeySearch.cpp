#include "windows/KeySearch.h"

#include <QLineEdit>

#include <QHash>

#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyRecord.h"
#include "windows/KeyRingGrid.h"

namespace keysearch {

namespace {

// A fingerprint or key ID as one run of hex digits, whatever its grouping.
QString bare(QString s)
{
    s.remove(QLatin1Char(' '));
    s.remove(QLatin1Char(':'));
    return s;
}

// The key fingerprint is worked out from the record's numbers once per record,
// not at every key typed.
const QString& keyFingerprintOf(const zerath::KeyRecord& record)
{
    static QHash<QString, QString> known;
    const QString id = QString::fromStdString(record.KeyID + '|' + record.FP + '|' + record.ModulusN);
    auto it = known.find(id);
    if (it == known.end()) it = known.insert(id, QString::fromStdString(zerath::RecordKeyFingerprint(record)));
    return *it;
}

void applyFilter(TKeyRingGrid* grid, const QString& text)
{
    KeyRingModel& model = grid->keyModel();
    int firstShown = -1;
    for (int row = 0; row < model.rowCount(); ++row) {
        const bool shown = matches(model.recordAt(row), text);
        grid->setRowHidden(row, !shown);
        if (shown && firstShown < 0) firstShown = row;
    }
    // The cursor stays on a row that can be seen, so the buttons act on a key in view.
    const int current = grid->currentRow();
    if ((current < 0 || grid->isRowHidden(current)) && firstShown >= 0) grid->selectRow(firstShown);
}

} // namespace

bool matches(const zerath::KeyRecord& record, const QString& text)
{
    const QString needle = text.trimmed();
    if (needle.isEmpty()) return true;
    if (QString::fromStdString(record.UserID).contains(needle, Qt::CaseInsensitive)) return true;
    const QString digits = bare(needle);
    if (digits.isEmpty()) return false;
    for (const std::string* field : {&record.KeyID, &record.FP})
        if (bare(QString::fromStdString(*field)).contains(digits, Qt::CaseInsensitive)) return true;
    return keyFingerprintOf(record).contains(digits, Qt::CaseInsensitive);
}

QLineEdit* addSearchField(TKeyRingGrid* grid, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("KeySearch"));
    field->setPlaceholderText(QStringLiteral("Search keys"));
    field->setAccessibleName(QStringLiteral("Search keys"));
    field->setAccessibleDescription(QStringLiteral("Owner, key ID or fingerprint"));
    field->setToolTip(field->accessibleDescription());
    field->setClearButtonEnabled(true);
    QObject::connect(field, &QLineEdit::textChanged, grid, [grid](const QString& text) { applyFilter(grid, text); });
    QObject::connect(&grid->keyModel(), &QAbstractItemModel::modelReset, field,
                     [grid, field] { applyFilter(grid, field->text()); });
    return field;
}

} // namespace keysearch
