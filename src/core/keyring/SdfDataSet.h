#pragma once
// The delimited form of the table store: a line's fields are separated by a
// delimiter character, and a value holding the delimiter is wrapped in double
// quotes. The key ring file is such a table with "|" between its ten fields.
#include "keyring/FixedFormatDataSet.h"

#include <string>
#include <vector>

namespace zerath {

class TSdfDataSet : public TFixedFormatDataSet {
public:
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char v);
    bool FirstLineAsSchema() const { return firstLineAsSchema_; }
    void SetFirstLineAsSchema(bool v);

    // The items of a line as the store reads them: leading characters with codes
    // 1 to 32 skipped, a value opened by a double quote closed by the first quote
    // followed by the delimiter or the line's end, at most maxItems items.
    static std::vector<std::string> SplitLine(const std::string& line, char delimiter,
                                              std::size_t maxItems = static_cast<std::size_t>(-1));

protected:
    void BuildFieldDefs() override;
    RecordImage LineToImage(const std::string& line) const override;
    std::string ImageToLine(const RecordImage& image) const override;
    std::size_t FirstDataLine() const override { return firstLineAsSchema_ ? 1 : 0; }

private:
    char delimiter_ = ',';
    bool firstLineAsSchema_ = false;
};

} // namespace zerath
