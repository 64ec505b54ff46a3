#pragma once
// A table kept in a text file, one record per line, held wholly in memory while
// open. This base class reads fields by fixed columns; TSdfDataSet splits lines
// at a delimiter instead. The key ring is the one user of the store.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zerath {

// One column of the table definition; every field is text.
struct TFieldDef {
    std::string name;
    std::size_t width = 0;  // characters in the record image
    std::size_t offset = 0; // where the field starts in the record image
};

enum class TDataSetState { Inactive, Browse, Edit };

class TFixedFormatDataSet {
public:
    // A table file above this size is refused ("File too large") rather than
    // held in memory.
    static constexpr std::size_t kMaxFileSize = 16u << 20;
    // Every field is as wide as the longest line. A record image holds only its
    // own values, each within its field's width, so one long line costs its own
    // length and no more; a definition wider than this is still refused with
    // "Record too wide".
    static constexpr std::size_t kMaxRecordWidth = 32u << 20;
    // Width of every field when the file has no non-empty line.
    static constexpr std::size_t kDefaultWidth = 250;

    TFixedFormatDataSet() = default;
    virtual ~TFixedFormatDataSet();
    TFixedFormatDataSet(const TFixedFormatDataSet&) = delete;
    TFixedFormatDataSet& operator=(const TFixedFormatDataSet&) = delete;

    // Configuration: may be changed only while the table is closed.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& v);
    bool FileMustExist() const { return fileMustExist_; }
    void SetFileMustExist(bool v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    bool TrimSpace() const { return trimSpace_; }
    void SetTrimSpace(bool v);
    // Field names in column order; "name=width" gives a fixed width.
    const std::vector<std::string>& Schema() const { return schema_; }
    void SetSchema(std::vector<std::string> v);
    // Declared size of the field object for a name: caps every value read from or
    // written to that field. Undeclared fields take their width.
    void SetFieldSize(const std::string& name, std::size_t size);
    // The table definition, rebuilt at every open.
    const std::vector<TFieldDef>& FieldDefs() const { return fieldDefs_; }

    // Open reads the whole file (errors: EFileError "File not found" for a missing
    // file that must exist, "File too large", or the file system's text) and makes
    // the first record current. Close writes the file when the table was modified
    // and is not read-only: the new content goes to a temporary beside the file,
    // is flushed and renamed over it, owner-only (0600). A failed write leaves
    // the previous file and the open table as they were.
    void Open();
    void Close();
    bool Active() const { return state_ != TDataSetState::Inactive; }
    TDataSetState State() const { return state_; }
    bool Modified() const { return modified_; }

    // Cursor. Moving while editing posts the edit first.
    void First();
    bool Next();  // false at the end (Eof); the last record stays current
    bool Prior(); // false at the start (Bof)
    void Last();
    void GotoBookmark(int bookmark); // "Bookmark not found"
    int RecordCount() const;
    int RecNo() const; // bookmark of the current record, -1 when there is none
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    std::size_t RecordWidth() const { return recordWidth_; }
    // Characters the current record's image holds (its values, not the widths).
    std::size_t ImageSize() const;

    // Fields of the current record; an empty table reads as empty texts.
    std::string FieldAsString(const std::string& name) const;
    void Edit();                                                // "No Records" on an empty table
    void SetFieldAsString(const std::string& name, const std::string& value); // only while editing
    void Post();
    void Cancel();
    void Delete(); // "No Records" on an empty table

    // Fired when the current record, its values or the table's state change.
    std::function<void()> OnDataChange;

protected:
    // A record in memory: the text in each field's place, in column order, at
    // most the field's width; what a value leaves of its place reads as blanks.
    using RecordImage = std::vector<std::string>;

    // The lines of the open file, each with its bookmark number.
    std::vector<std::pair<std::string, int>>& Lines() { return lines_; }
    const std::vector<std::pair<std::string, int>>& Lines() const { return lines_; }

    // Builds fieldDefs_ from the schema and the lines (the base rule).
    virtual void BuildFieldDefs();
    void BuildFieldDefsFromSchema(const std::vector<std::string>& schema);
    virtual RecordImage LineToImage(const std::string& line) const;
    virtual std::string ImageToLine(const RecordImage& image) const;
    // Index of the first line that is a record (1 when the first line names the fields).
    virtual std::size_t FirstDataLine() const { return 0; }
    void SetSchemaInternal(std::vector<std::string> v) { schema_ = std::move(v); }
    void CheckInactive() const;

private:
    std::size_t FieldIndex(const std::string& name) const;
    std::size_t DeclaredSize(const TFieldDef& f) const;
    void CheckActive() const;
    void CheckBrowseMode();
    void Fetch(); // converts the current line into the record buffer
    void ClearBuffer();
    void Changed();
    void WriteFile();

    std::string fileName_;
    bool fileMustExist_ = true;
    bool readOnly_ = false;
    bool trimSpace_ = true;
    std::vector<std::string> schema_;
    std::map<std::string, std::size_t> declaredSizes_; // keyed by upper-case name
    std::vector<TFieldDef> fieldDefs_;

    TDataSetState state_ = TDataSetState::Inactive;
    std::vector<std::pair<std::string, int>> lines_;
    long currentRecord_ = -1;
    std::size_t recordWidth_ = 0;
    bool modified_ = false;
    int lastBookmark_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    RecordImage image_; // the current record's image
    int imageBookmark_ = -1;
};

} // namespace zerath
