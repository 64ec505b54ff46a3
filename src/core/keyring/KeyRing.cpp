#include "keyring/KeyRing.h"

#include <cerrno>
#include <stdexcept>

#include "common/Error.h"
#include "common/FileIO.h"
#include "common/FileLock.h"

namespace zerath {

std::vector<std::string> SplitKeyRingLines(std::string_view content)
{
    const std::size_t nul = content.find('\0');
    if (nul != std::string_view::npos) content = content.substr(0, nul);
    std::vector<std::string> out;
    std::size_t start = 0, i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (c == '\n' || c == '\r') {
            out.emplace_back(content.substr(start, i - start));
            ++i;
            if (c == '\r' && i < content.size() && content[i] == '\n') ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < content.size()) out.emplace_back(content.substr(start));
    return out;
}

KeyRing::KeyRing(std::string programFolder) : folder_(std::move(programFolder))
{
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    table_.OnDataChange = [this] { Changed(); };
}

KeyRing::~KeyRing()
{
    // A window closes its table explicitly; a failure here must not escape.
    // A failed write leaves the table unwritten: its stale image never replaces the file.
    try {
        table_.OnDataChange = nullptr;
        Close();
    } catch (...) {
    }
}

std::string KeyRing::Path() const
{
    return folder_ + std::string(kFileName);
}

void KeyRing::Configure(TSdfDataSet& table, bool createMissing) const
{
    table.SetFileName(Path());
    table.SetFileMustExist(!createMissing);
    table.SetReadOnly(false);
    table.SetFirstLineAsSchema(false);
    table.SetDelimiter(kDelimiter);
    std::vector<std::string> schema;
    for (const auto& f : kKeyRecordFields) {
        schema.emplace_back(f.name);
        table.SetFieldSize(std::string(f.name), f.declaredSize);
    }
    table.SetSchema(std::move(schema));
}

namespace {

// Makes the first record whose field equals value current; false (the last
// record current) when none does.
bool seek(TSdfDataSet& table, const std::string& fieldName, std::string_view value)
{
    table.First();
    const int count = table.RecordCount();
    for (int i = 0; i < count; ++i) {
        if (table.FieldAsString(fieldName) == value) return true;
        table.Next();
    }
    return false;
}

} // namespace

void KeyRing::Changed()
{
    if (walking_) return;
    // A move of the cursor leaves the rows as they are.
    if (!cursorOnly_) Invalidate();
    if (!handlerAttached_) return;
    selected_ = false; // the cursor moved or the table changed under the selection
    if (OnDataChange) OnDataChange();
}

void KeyRing::DBOpen(MissingFile whenMissing)
{
    const NoticeScope notices(*this, false);
    Close();
    if (whenMissing == MissingFile::LeaveClosed && !fileExists(Path())) return;
    // The table creates a missing file empty and owner-only.
    Configure(table_, whenMissing == MissingFile::Create);
    table_.Open();
}

void KeyRing::Close()
{
    const NoticeScope notices(*this, false);
    if (table_.Active() && !pending_.empty()) {
        WritePending(); // on failure the table stays open with its changes
        table_.ForgetChanges();
    }
    pending_.clear();
    table_.Close();
    selected_ = false;
    Invalidate();
}

void KeyRing::WritePending()
{
    // Another process may have changed the file since it was read: reread it
    // under the lock and apply this table's changes to it by KeyID.
    const FileLock lock(resolvedPath(Path()));
    TSdfDataSet fresh;
    Configure(fresh);
    fresh.Open();
    for (const Pending& p : pending_) {
        if (!seek(fresh, "KeyID", p.keyId)) continue; // removed meanwhile
        if (p.exponentD) {
            fresh.Edit();
            fresh.SetFieldAsString("ExponentD", *p.exponentD);
            fresh.Post();
        } else {
            fresh.Delete();
        }
    }
    fresh.Close();
}

bool KeyRing::SearchDB(const std::string& fieldName, std::string_view value)
{
    if (!table_.Active()) {
        selected_ = false;
        return false;
    }
    const NoticeScope notices(*this, true);
    table_.First();
    handlerAttached_ = false;
    bool found = false;
    try {
        found = seek(table_, fieldName, value);
    } catch (...) {
        handlerAttached_ = true;
        selected_ = false;
        throw;
    }
    handlerAttached_ = true;
    if (OnDataChange) OnDataChange();
    selected_ = found;
    return found;
}

int KeyRing::RecordCount() const
{
    return table_.RecordCount();
}

int KeyRing::RecNo() const
{
    return table_.RecNo();
}

void KeyRing::First()
{
    const NoticeScope notices(*this, true);
    if (table_.Active()) table_.First();
}

bool KeyRing::Next()
{
    const NoticeScope notices(*this, true);
    return table_.Active() && table_.Next();
}

std::string KeyRing::FieldAsString(const std::string& name) const
{
    if (!table_.Active()) return std::string();
    return table_.FieldAsString(name);
}

KeyRecord KeyRing::CurrentRecord() const
{
    KeyRecord r;
    if (!table_.Active() || table_.RecNo() < 0) return r;
    for (const auto& f : kKeyRecordFields) {
        std::string v = table_.FieldAsString(std::string(f.name));
        SetFieldByName(r, f.name, v);
        if (f.name == "ExponentD") wipeString(v);
    }
    return r;
}

void KeyRing::LoadRows() const
{
    if (rows_) return;
    std::vector<KeyRecord> rows;
    std::vector<int> bookmarks;
    if (table_.Active() && table_.RecordCount() > 0) {
        // Walk the table unseen by the handler and come back to where we were.
        const int here = table_.RecNo();
        walking_ = true;
        try {
            table_.First();
            do {
                rows.push_back(CurrentRecord());
                bookmarks.push_back(table_.RecNo());
            } while (table_.Next());
            if (here >= 1) table_.GotoBookmark(here);
            else table_.First();
        } catch (...) {
            walking_ = false;
            throw;
        }
        walking_ = false;
    }
    rows_ = std::move(rows);
    bookmarks_ = std::move(bookmarks);
}

const std::vector<KeyRecord>& KeyRing::Rows() const
{
    LoadRows();
    return *rows_;
}

KeyRecord KeyRing::RecordAt(int row) const
{
    const auto& rows = Rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) throw std::out_of_range("key ring row");
    return rows[static_cast<std::size_t>(row)];
}

int KeyRing::CurrentRow() const
{
    const int here = RecNo();
    if (here < 1) return -1;
    LoadRows();
    // Bookmarks are line numbers at open; after a deletion they differ from rows.
    for (std::size_t i = 0; i < bookmarks_.size(); ++i)
        if (bookmarks_[i] == here) return static_cast<int>(i);
    return -1;
}

namespace {

bool storable(std::string_view v)
{
    return v.find_first_of(std::string_view("|\r\n\0", 4)) == std::string_view::npos;
}

// Whether a search by KeyID finds the line's record: the table skips leading
// blanks and control characters of a value and reads a leading double quote
// as the start of a quoted value, which can swallow the fields after it.
bool keyIdReadsBack(const std::string& line, std::string_view keyId)
{
    const std::size_t keyIdColumn = 2;
    const auto items = TSdfDataSet::SplitLine(line, KeyRing::kDelimiter, keyIdColumn + 1);
    if (items.size() <= keyIdColumn) return false;
    std::string v = items[keyIdColumn].substr(0, kKeyRecordFields[keyIdColumn].declaredSize);
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v == keyId;
}

// The records of the file's lines as the table reads them.
std::vector<KeyRecord> recordsOf(const std::vector<std::string>& lines)
{
    std::vector<KeyRecord> out;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        const auto items = TSdfDataSet::SplitLine(line, KeyRing::kDelimiter, kKeyRecordFieldCount);
        KeyRecord r;
        for (std::size_t k = 0; k < items.size(); ++k) {
            std::string v = items[k].substr(0, kKeyRecordFields[k].declaredSize);
            while (!v.empty() && v.back() == ' ') v.pop_back();
            SetFieldByName(r, kKeyRecordFields[k].name, v);
            wipeString(v);
        }
        out.push_back(std::move(r));
    }
    return out;
}

} // namespace

void KeyRing::InsertNewRecord(const KeyRecord& stored, const InsertCheck& refuse)
{
    const NoticeScope notices(*this, false);
    const std::string path = Path();
    std::optional<UserMessage> refusal;
    try {
        std::string line;
        for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k) {
            if (!storable(FieldOf(stored, k))) throw Error("unstorable key ring value");
            if (k) line += kDelimiter;
            line.append(FieldOf(stored, k));
        }
        if (!keyIdReadsBack(line, stored.KeyID)) throw Error("the new record could not be found");

        Close(); // writes any pending deletion or edit first

        // Read, appended to and replaced under the lock, through a link to its target.
        const std::string target = resolvedPath(path);
        const FileLock lock(target);
        std::vector<std::string> lines = SplitKeyRingLines(readWholeFile(target, TFixedFormatDataSet::kMaxFileSize));
        if (refuse && (refusal = refuse(recordsOf(lines)))) throw *refusal;
        lines.push_back(std::move(line));

        std::string content;
        for (const auto& l : lines) {
            content += l;
            content += "\r\n";
        }
        // Never rewrite the key ring in place: a failure half-way would lose it.
        writeFileAtomically(target, content, kOwnerOnly);
        Configure(table_);
        table_.Open();
        if (!SearchDB("KeyID", stored.KeyID)) throw Error("the new record is not found");
    } catch (const std::exception&) {
        try {
            if (!table_.Active() && fileExists(path)) {
                Configure(table_);
                table_.Open();
            }
        } catch (...) {
        }
        if (refusal) throw *refusal;
        throw UserMessage(UserMessage::PlainBox, std::string(kInsertFailedText));
    }
}

void KeyRing::DeleteCurrent()
{
    const NoticeScope notices(*this, false);
    std::string keyId = table_.FieldAsString("KeyID");
    table_.Delete();
    pending_.push_back({std::move(keyId), std::nullopt});
    selected_ = false;
    Invalidate();
}

void KeyRing::UpdateExponentD(std::string_view storedText)
{
    // A window's handler reads the rows, which would move the cursor and drop
    // the edit: it hears of the change once the record is posted.
    const NoticeScope notices(*this, false);
    const bool attached = handlerAttached_;
    handlerAttached_ = false;
    table_.Edit();
    try {
        table_.SetFieldAsString("ExponentD", std::string(storedText));
        table_.Post();
        pending_.push_back({table_.FieldAsString("KeyID"), std::string(storedText)});
    } catch (...) {
        table_.Cancel();
        handlerAttached_ = attached;
        Invalidate();
        throw;
    }
    handlerAttached_ = attached;
    Changed();
}

} // namespace zerath
