// The delimited text table store. The first byte sets the options (bit 0: the
// first line names the fields; bit 1: delimiter "," instead of "|"; bit 2: no
// trimming; bit 3: fixed field widths in the schema), the rest is the file. The
// table is opened, every field of every record read, the first record edited
// and posted, the last one deleted and the table closed; reopened, the file must
// show both changes. Then the key ring reads the same bytes as ZerathKeys.db.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "keyring/KeyRecord.h"
#include "keyring/KeyRing.h"
#include "keyring/SdfDataSet.h"

using namespace zerath;
using namespace zerath::fuzz;

namespace {

void configure(TSdfDataSet& t, const std::string& path, std::uint8_t flags)
{
    t.SetFileName(path);
    t.SetFirstLineAsSchema(flags & 1);
    t.SetDelimiter((flags & 2) ? ',' : '|');
    t.SetTrimSpace(!(flags & 4));
    std::vector<std::string> schema;
    for (const auto& f : kKeyRecordFields) {
        std::string name(f.name);
        if (flags & 8) name += "=" + std::to_string(f.declaredSize % 97);
        schema.push_back(name);
        t.SetFieldSize(std::string(f.name), f.declaredSize);
    }
    t.SetSchema(schema);
}

int readAll(TSdfDataSet& t)
{
    int records = 0;
    t.First();
    if (t.RecNo() < 0) return 0;
    do {
        ++records;
        for (const auto& def : t.FieldDefs()) {
            const std::string v = t.FieldAsString(def.name);
            expect(v.size() <= def.width, "a field never reads beyond its width");
        }
    } while (t.Next());
    return records;
}

void tableStore(const std::string& path, std::uint8_t flags)
{
    TSdfDataSet t;
    configure(t, path, flags);
    try {
        t.Open();
    } catch (const Error&) {
        expect(!t.Active(), "a table that fails to open stays closed");
        return;
    }
    expect(t.RecordWidth() > 0, "a record width");
    const int count = t.RecordCount();
    const int walked = readAll(t);
    const bool header = flags & 1;
    expect(walked <= count, "walking visits at most the lines");
    if (walked == 0) {
        t.Close();
        return;
    }
    const std::string first = t.FieldDefs().front().name;
    t.First();
    t.Edit();
    t.SetFieldAsString(first, "edited");
    t.Post();
    // The value is cut to the field's width, which follows the longest line.
    std::string edited = t.FieldAsString(first);
    if (flags & 4) edited.erase(edited.find_last_not_of(' ') + 1); // untrimmed: the padding shows
    expect(std::string("edited").rfind(edited, 0) == 0, "the edit reads back, cut at most");
    if (walked > 1) {
        t.Last();
        t.Delete();
    }
    readAll(t);
    t.Close();
    expect(!t.Active(), "closed");

    TSdfDataSet again;
    configure(again, path, flags);
    again.Open();
    // (With the first line as schema an edit may turn a blank first line into
    // field names, so the counts are compared only without it.)
    if (!(flags & 1)) expect(again.RecordCount() == count - (walked > 1 ? 1 : 0), "the deletion was written");
    if (!header && !(flags & 8)) {
        again.First();
        std::string back = again.FieldAsString(first);
        if (flags & 4) back.erase(back.find_last_not_of(' ') + 1);
        expect(back == edited, "the edit was written");
    }
    again.Close();
}

void keyRing(const std::string& folder)
{
    KeyRing ring(folder);
    try {
        ring.DBOpen(KeyRing::MissingFile::LeaveClosed);
    } catch (const Error&) {
        return;
    }
    const auto& rows = ring.Rows();
    expect(static_cast<int>(rows.size()) == ring.RecordCount(), "one row per record");
    for (const auto& r : rows) {
        for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k)
            expect(FieldOf(r, k).size() <= kKeyRecordFields[k].declaredSize, "a value fits its declared size");
        try {
            VerifyStoredKeyRecord(r);
        } catch (const Error&) {
        }
    }
    if (!rows.empty()) {
        const std::string id = rows.back().KeyID;
        expect(ring.SearchDB("KeyID", id) && ring.RecipientSelected(), "a present KeyID is found");
        expect(ring.CurrentRecord().KeyID == id, "the found record is current");
    }
    ring.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 64 * 1024) return 0;
    const std::string folder = freshFolder("table");
    const std::string path = folder + std::string(KeyRing::kFileName);
    writeBytes(path, data + 1, size - 1);
    tableStore(path, data[0]);
    writeBytes(path, data + 1, size - 1);
    keyRing(folder);
    return 0;
}
