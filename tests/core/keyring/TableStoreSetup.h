#pragma once
// Setting up delimited tables for the table store tests.
#include <string>
#include <vector>

#include "keyring/SdfDataSet.h"

namespace zerath::test {

inline const std::vector<std::string> kKeySchema = {"Type",      "UserID",    "KeyID",    "KeyLength", "Date",
                                                    "ExponentE", "ExponentD", "ModulusN", "FP",        "KeyCRC32"};

// File name, delimiter and fields of a table, not yet opened.
inline void configureTable(TSdfDataSet& t, const std::string& path, const std::vector<std::string>& schema,
                           char delimiter = '|')
{
    t.SetFileName(path);
    t.SetDelimiter(delimiter);
    t.SetSchema(schema);
}

// A table set up the way the key ring uses it, not yet opened.
inline void configureKeyRing(TSdfDataSet& t, const std::string& path)
{
    configureTable(t, path, kKeySchema);
    for (const char* n : {"Type", "UserID", "KeyID", "KeyLength", "Date"}) t.SetFieldSize(n, 73);
    for (const char* n : {"ExponentE", "ExponentD", "ModulusN"}) t.SetFieldSize(n, 750);
    t.SetFieldSize("FP", 147);
    t.SetFieldSize("KeyCRC32", 20);
}

} // namespace zerath::test
