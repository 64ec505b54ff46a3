#include "keyring/FixedFormatDataSet.h"

#include "common/Error.h"
#include "common/FileIO.h"

#include <climits>
#include <cstdlib>

namespace zerath {

namespace {

std::string upper(const std::string& s)
{
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

std::string trimBlanks(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

// A decimal width as the schema may give it; false when the text is not one
// (a negative width counts as none).
bool parseWidth(const std::string& text, std::size_t& out)
{
    const std::string t = trimBlanks(text);
    std::size_t i = 0;
    if (i < t.size() && t[i] == '+') ++i;
    if (i == t.size()) return false;
    std::size_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + static_cast<std::size_t>(t[i] - '0');
        if (v > INT_MAX) return false;
    }
    out = v;
    return true;
}

// The file's text as lines: LF, CR and CR LF end a line, a last line without an
// ending is a line, and a NUL ends the text.
std::vector<std::string> splitLines(const std::string& raw)
{
    const std::size_t end = raw.find('\0') == std::string::npos ? raw.size() : raw.find('\0');
    std::vector<std::string> out;
    std::size_t start = 0, i = 0;
    while (i < end) {
        const char c = raw[i];
        if (c == '\n' || c == '\r') {
            out.emplace_back(raw, start, i - start);
            ++i;
            if (c == '\r' && i < end && raw[i] == '\n') ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end) out.emplace_back(raw, start, end - start);
    return out;
}

} // namespace

TFixedFormatDataSet::~TFixedFormatDataSet() = default;

// ---- configuration --------------------------------------------------------------

void TFixedFormatDataSet::CheckInactive() const
{
    if (Active()) throw Error("Cannot perform this operation on an open dataset");
}

void TFixedFormatDataSet::CheckActive() const
{
    if (!Active()) throw Error("Cannot perform this operation on a closed dataset");
}

void TFixedFormatDataSet::SetFileName(const std::string& v)
{
    CheckInactive();
    fileName_ = v;
}

void TFixedFormatDataSet::SetFileMustExist(bool v)
{
    CheckInactive();
    fileMustExist_ = v;
}

void TFixedFormatDataSet::SetReadOnly(bool v)
{
    CheckInactive();
    readOnly_ = v;
}

void TFixedFormatDataSet::SetTrimSpace(bool v)
{
    CheckInactive();
    trimSpace_ = v;
}

void TFixedFormatDataSet::SetSchema(std::vector<std::string> v)
{
    CheckInactive();
    schema_ = std::move(v);
}

void TFixedFormatDataSet::SetFieldSize(const std::string& name, std::size_t size)
{
    CheckInactive();
    declaredSizes_[upper(trimBlanks(name))] = size;
}

// ---- table definition -----------------------------------------------------------

void TFixedFormatDataSet::BuildFieldDefs()
{
    BuildFieldDefsFromSchema(schema_);
}

void TFixedFormatDataSet::BuildFieldDefsFromSchema(const std::vector<std::string>& schema)
{
    std::size_t w = 0;
    for (const auto& l : lines_) w = std::max(w, l.first.size());
    if (w == 0) w = kDefaultWidth;

    std::vector<std::string> entries;
    for (const auto& e : schema)
        if (!trimBlanks(e).empty()) entries.push_back(e);
    if (entries.empty()) entries.push_back("Line");

    std::vector<TFieldDef> defs;
    std::size_t offset = 0;
    for (const auto& e : entries) {
        TFieldDef d;
        const auto eq = e.find('=');
        d.width = w;
        if (eq == std::string::npos) {
            d.name = trimBlanks(e);
        } else {
            d.name = trimBlanks(e.substr(0, eq));
            std::size_t given;
            if (parseWidth(e.substr(eq + 1), given)) d.width = given;
        }
        d.offset = offset;
        if (d.width > kMaxRecordWidth - offset) throw Error("Record too wide");
        offset += d.width;
        defs.push_back(d);
    }
    fieldDefs_ = std::move(defs);
    recordWidth_ = offset;
}

// ---- record images ----------------------------------------------------------------

TFixedFormatDataSet::RecordImage TFixedFormatDataSet::LineToImage(const std::string& line) const
{
    RecordImage image;
    image.reserve(fieldDefs_.size());
    for (const auto& f : fieldDefs_)
        image.push_back(f.offset < line.size() ? line.substr(f.offset, f.width) : std::string());
    return image;
}

std::string TFixedFormatDataSet::ImageToLine(const RecordImage& image) const
{
    std::string line;
    for (std::size_t k = 0; k < fieldDefs_.size() && k < image.size(); ++k) {
        line += image[k];
        line.append(fieldDefs_[k].width - image[k].size(), ' ');
    }
    return line;
}

std::size_t TFixedFormatDataSet::ImageSize() const
{
    std::size_t n = 0;
    for (const auto& field : image_) n += field.size();
    return n;
}

std::size_t TFixedFormatDataSet::FieldIndex(const std::string& name) const
{
    const std::string u = upper(name);
    for (std::size_t k = 0; k < fieldDefs_.size(); ++k)
        if (upper(fieldDefs_[k].name) == u) return k;
    throw Error("Field '" + name + "' not found");
}

std::size_t TFixedFormatDataSet::DeclaredSize(const TFieldDef& f) const
{
    const auto it = declaredSizes_.find(upper(f.name));
    const std::size_t declared = it == declaredSizes_.end() ? f.width : it->second;
    return std::min(declared, f.width); // never beyond the field's own place
}

// ---- open and close -----------------------------------------------------------------

void TFixedFormatDataSet::Open()
{
    if (Active()) return;
    currentRecord_ = -1;
    modified_ = false;

    if (!fileMustExist_ && !fileExists(fileName_)) {
        try {
            OutputFile::createNew(fileName_, kOwnerOnly).close();
        } catch (const EFileError&) {
            if (!fileExists(fileName_)) throw; // lost a race to another creator otherwise
        }
    }
    const std::vector<std::string> text = splitLines(readWholeFile(fileName_, kMaxFileSize));

    std::vector<std::pair<std::string, int>> lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) lines.emplace_back(text[i], static_cast<int>(i) + 1);
    lines_ = std::move(lines);
    try {
        BuildFieldDefs();
    } catch (...) {
        lines_.clear();
        fieldDefs_.clear();
        recordWidth_ = 0;
        throw;
    }
    if (recordWidth_ == 0) recordWidth_ = kDefaultWidth;
    lastBookmark_ = static_cast<int>(lines_.size());
    state_ = TDataSetState::Browse;
    First();
}

void TFixedFormatDataSet::WriteFile()
{
    std::string out;
    std::size_t total = 0;
    for (const auto& l : lines_) total += l.first.size() + 2;
    out.reserve(total);
    for (const auto& l : lines_) {
        out += l.first;
        out += "\r\n";
    }
    // A link to the key ring stays a link: the file it names is replaced.
    std::string target = fileName_;
    if (char* real = ::realpath(fileName_.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    writeFileAtomically(target, out, kOwnerOnly);
}

void TFixedFormatDataSet::Close()
{
    if (!Active()) return;
    if (state_ == TDataSetState::Edit) Cancel();
    if (!readOnly_ && modified_) WriteFile(); // on failure the table stays open
    lines_.clear();
    lines_.shrink_to_fit();
    fieldDefs_.clear();
    currentRecord_ = -1;
    lastBookmark_ = 0;
    recordWidth_ = 0;
    modified_ = false;
    state_ = TDataSetState::Inactive;
    ClearBuffer();
    eof_ = bof_ = true;
    Changed();
}

// ---- cursor ---------------------------------------------------------------------

void TFixedFormatDataSet::ClearBuffer()
{
    image_.clear();
    imageBookmark_ = -1;
}

void TFixedFormatDataSet::Fetch()
{
    if (currentRecord_ < static_cast<long>(FirstDataLine()) || currentRecord_ >= static_cast<long>(lines_.size())) {
        currentRecord_ = -1;
        ClearBuffer();
        return;
    }
    const auto& l = lines_[static_cast<std::size_t>(currentRecord_)];
    image_ = LineToImage(l.first);
    imageBookmark_ = l.second;
}

void TFixedFormatDataSet::Changed()
{
    if (OnDataChange) OnDataChange();
}

void TFixedFormatDataSet::CheckBrowseMode()
{
    CheckActive();
    if (state_ == TDataSetState::Edit) Post();
}

void TFixedFormatDataSet::First()
{
    CheckBrowseMode();
    currentRecord_ = RecordCount() > 0 ? static_cast<long>(FirstDataLine()) : -1;
    Fetch();
    bof_ = true;
    eof_ = currentRecord_ < 0;
    Changed();
}

void TFixedFormatDataSet::Last()
{
    CheckBrowseMode();
    currentRecord_ = RecordCount() > 0 ? static_cast<long>(lines_.size()) - 1 : -1;
    Fetch();
    eof_ = true;
    bof_ = currentRecord_ < 0;
    Changed();
}

bool TFixedFormatDataSet::Next()
{
    CheckBrowseMode();
    if (currentRecord_ >= 0 && currentRecord_ < static_cast<long>(lines_.size()) - 1) {
        ++currentRecord_;
        Fetch();
        bof_ = eof_ = false;
        Changed();
        return true;
    }
    eof_ = true;
    return false;
}

bool TFixedFormatDataSet::Prior()
{
    CheckBrowseMode();
    if (currentRecord_ > static_cast<long>(FirstDataLine())) {
        --currentRecord_;
        Fetch();
        bof_ = eof_ = false;
        Changed();
        return true;
    }
    bof_ = true;
    return false;
}

void TFixedFormatDataSet::GotoBookmark(int bookmark)
{
    CheckBrowseMode();
    for (std::size_t i = FirstDataLine(); i < lines_.size(); ++i) {
        if (lines_[i].second == bookmark) {
            currentRecord_ = static_cast<long>(i);
            Fetch();
            bof_ = eof_ = false;
            Changed();
            return;
        }
    }
    throw Error("Bookmark not found");
}

int TFixedFormatDataSet::RecordCount() const
{
    if (!Active()) return 0;
    const std::size_t first = FirstDataLine();
    return lines_.size() > first ? static_cast<int>(lines_.size() - first) : 0;
}

int TFixedFormatDataSet::RecNo() const
{
    return Active() && currentRecord_ >= 0 ? imageBookmark_ : -1;
}

// ---- fields and editing -----------------------------------------------------------

std::string TFixedFormatDataSet::FieldAsString(const std::string& name) const
{
    CheckActive();
    const std::size_t k = FieldIndex(name);
    if (currentRecord_ < 0 || k >= image_.size()) return std::string();
    const std::size_t n = DeclaredSize(fieldDefs_[k]);
    std::string v = image_[k].substr(0, n);
    const std::size_t nul = v.find('\0');
    if (nul != std::string::npos) v.resize(nul);
    else v.resize(n, ' '); // the rest of the field's place is blank
    if (trimSpace_) {
        std::size_t e = v.size();
        while (e > 0 && v[e - 1] == ' ') --e;
        v.resize(e);
    }
    return v;
}

void TFixedFormatDataSet::Edit()
{
    CheckActive();
    if (state_ == TDataSetState::Edit) return;
    if (currentRecord_ < 0) throw Error("No Records");
    Fetch(); // start from the stored line
    state_ = TDataSetState::Edit;
    Changed();
}

void TFixedFormatDataSet::SetFieldAsString(const std::string& name, const std::string& value)
{
    CheckActive();
    if (state_ != TDataSetState::Edit) throw Error("Dataset not in edit or insert mode");
    const std::size_t k = FieldIndex(name);
    const std::size_t n = DeclaredSize(fieldDefs_[k]);
    // The first n characters of the field's place are replaced; what lies
    // beyond the declared size stays.
    std::string field = value.substr(0, n);
    field.resize(n, ' ');
    if (image_[k].size() > n) field.append(image_[k], n);
    image_[k] = std::move(field);
    Changed();
}

void TFixedFormatDataSet::Post()
{
    CheckActive();
    if (state_ != TDataSetState::Edit) return;
    if (currentRecord_ < 0 || currentRecord_ >= static_cast<long>(lines_.size())) throw Error("No Records");
    lines_[static_cast<std::size_t>(currentRecord_)].first = ImageToLine(image_);
    modified_ = true;
    state_ = TDataSetState::Browse;
    Fetch();
    Changed();
}

void TFixedFormatDataSet::Cancel()
{
    CheckActive();
    if (state_ != TDataSetState::Edit) return;
    state_ = TDataSetState::Browse;
    Fetch();
    Changed();
}

void TFixedFormatDataSet::Delete()
{
    CheckActive();
    if (state_ == TDataSetState::Edit) Cancel();
    if (currentRecord_ < 0) throw Error("No Records");
    modified_ = true;
    lines_.erase(lines_.begin() + currentRecord_);
    if (currentRecord_ >= static_cast<long>(lines_.size())) --currentRecord_;
    Fetch();
    if (currentRecord_ < 0) eof_ = bof_ = true;
    Changed();
}

} // namespace zerath
