#pragma once
// The key ring: the table KeysData over ZerathKeys.db in the program's folder,
// with the look-ups and changes the windows make. Each window that uses the key
// ring owns one KeyRing; the two are never open at the same time.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Error.h"
#include "keyring/KeyRecord.h"
#include "keyring/SdfDataSet.h"

namespace zerath {

class KeyRing {
public:
    static constexpr std::string_view kFileName = "ZerathKeys.db";
    static constexpr char kDelimiter = '|';
    // Shown in a plain message box when a key cannot be added.
    static constexpr std::string_view kInsertFailedText = "Cannot add new key to database";

    // What DBOpen does when the key ring file does not exist.
    enum class MissingFile {
        Create,      // the main window: create it empty (owner-only) and open it
        LeaveClosed, // the key manager: leave the table closed, the key list empty
    };

    // programFolder: the folder of the program; a trailing '/' is added when missing.
    explicit KeyRing(std::string programFolder);
    ~KeyRing();
    KeyRing(const KeyRing&) = delete;
    KeyRing& operator=(const KeyRing&) = delete;

    const std::string& ProgramFolder() const { return folder_; }
    std::string Path() const;

    // Opens the table on the key ring (closing it first when open). File system
    // errors pass through.
    void DBOpen(MissingFile whenMissing = MissingFile::Create);
    // Closes the table; pending deletions and edits are written to the file
    // (through a temporary renamed over it, owner-only). Under ZerathKeys.db.lock
    // the file is read again and the changes applied to it by KeyID, so a key
    // another process added meanwhile stays.
    void Close();
    bool Active() const { return table_.Active(); }

    // Makes the first record whose field equals value exactly (case-sensitive;
    // the field read as text: trailing blanks removed, cut to its declared size)
    // current and answers true. Without a match the answer is false and the last
    // record is current. The data-change handler is called once either way.
    [[nodiscard]] bool SearchDB(const std::string& fieldName, std::string_view value);
    // True while the current record is the one the last SearchDB found: a failed
    // search, a move, a change of the table or closing it clears it, so a caller
    // can never act on a record it did not ask for.
    bool RecipientSelected() const { return selected_; }

    // Cursor and current record.
    int RecordCount() const;            // 0 when closed
    int RecNo() const;                  // -1 when there is no current record
    bool HasCurrent() const { return RecNo() >= 1; }
    void First();
    bool Next();
    std::string FieldAsString(const std::string& name) const; // empty without a current record
    KeyRecord CurrentRecord() const;    // stored form; all empty without a current record

    // Read-only random access for the grids: the records in file order.
    int RowCount() const { return RecordCount(); }
    KeyRecord RecordAt(int row) const;  // 0-based; std::out_of_range outside 0..RowCount()-1
    const std::vector<KeyRecord>& Rows() const;
    int CurrentRow() const;             // 0-based index of the current record, -1 when none

    // Appends a record (all ten values in stored form), writes the key ring at
    // once and makes the new record current. The table is closed first, which
    // writes any pending deletion or edit. The file is read again and appended to
    // under ZerathKeys.db.lock (a link's target). The new file content goes to a
    // temporary beside the key ring, is flushed and renamed over it, so a failure
    // leaves the previous key ring whole. A value holding the delimiter "|" or a
    // line break would corrupt the line, and a record whose KeyID would not read
    // back (a leading quote in an earlier value opens a quoted one) could not be
    // found again: both are refused before anything is written, and a record
    // not found after writing is a failure too. Any failure raises
    // UserMessage (PlainBox) "Cannot add new key to database"; the table is then
    // open again on the unchanged file whenever it can be.
    // refuse, when given, sees the records of the file as read under the lock
    // and may answer a refusal: nothing is written and it is raised once the
    // lock is released and the table open again.
    using InsertCheck = std::function<std::optional<UserMessage>(const std::vector<KeyRecord>& records)>;
    void InsertNewRecord(const KeyRecord& stored, const InsertCheck& refuse = {});

    // Removes the current record; written when the table is closed.
    void DeleteCurrent();
    // Sets the current record's ExponentD (stored form); written when the table is closed.
    void UpdateExponentD(std::string_view storedText);

    // Called whenever the current record or the table's state changes.
    std::function<void()> OnDataChange;

private:
    void Configure(TSdfDataSet& table, bool createMissing = false) const;
    void WritePending();
    void Changed();
    void Invalidate() const { rows_.reset(); }
    void LoadRows() const;

    std::string folder_;
    mutable TSdfDataSet table_;
    bool handlerAttached_ = true;
    bool selected_ = false;
    mutable bool walking_ = false;
    bool cursorOnly_ = false; // the table's notices come from a cursor move only

    // Says, for as long as it lives, whether the table's notices come from a
    // cursor move (the rows stay valid) or a change of the data (they are read again).
    class NoticeScope {
    public:
        NoticeScope(KeyRing& ring, bool cursorOnly) : ring_(ring), saved_(ring.cursorOnly_)
        {
            ring_.cursorOnly_ = cursorOnly;
        }
        ~NoticeScope() { ring_.cursorOnly_ = saved_; }
        NoticeScope(const NoticeScope&) = delete;
        NoticeScope& operator=(const NoticeScope&) = delete;

    private:
        KeyRing& ring_;
        bool saved_;
    };
    // The deletions (no exponent) and exponent changes since the table was opened.
    struct Pending {
        std::string keyId;
        std::optional<std::string> exponentD;
    };
    std::vector<Pending> pending_;
    mutable std::optional<std::vector<KeyRecord>> rows_;
    mutable std::vector<int> bookmarks_;
};

// Splits a file's text into lines as the table store reads them: a line ends at
// LF, CR or CR LF; a final line without an ending counts; a NUL ends the text.
std::vector<std::string> SplitKeyRingLines(std::string_view content);

} // namespace zerath
