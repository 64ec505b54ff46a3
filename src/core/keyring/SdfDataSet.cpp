#include "keyring/SdfDataSet.h"

#include <cstdio>

namespace zerath {

void TSdfDataSet::SetDelimiter(char v)
{
    CheckInactive();
    delimiter_ = v;
}

void TSdfDataSet::SetFirstLineAsSchema(bool v)
{
    CheckInactive();
    firstLineAsSchema_ = v;
}

std::vector<std::string> TSdfDataSet::SplitLine(const std::string& line, char delimiter, std::size_t maxItems)
{
    std::vector<std::string> items;
    const std::size_t len = line.size();
    std::size_t pos = 0;
    while (items.size() < maxItems) {
        while (pos < len && line[pos] != '\0' && static_cast<unsigned char>(line[pos]) <= ' ') ++pos;
        if (pos >= len) break;
        std::string value;
        if (line[pos] == '"') {
            std::size_t close = std::string::npos;
            for (std::size_t j = pos + 1; j < len; ++j) {
                if (line[j] != '"') continue;
                const bool atEnd = j + 1 == len;
                if (atEnd || line[j + 1] == delimiter || line[j + 1] == '\r' || line[j + 1] == '\n') {
                    close = j;
                    break;
                }
            }
            if (close != std::string::npos) {
                value = line.substr(pos + 1, close - pos - 1);
                pos = close + 1;
                while (pos < len && line[pos] != delimiter) ++pos;
            } else {
                value = line.substr(pos);
                pos = len;
            }
        } else {
            std::size_t end = line.find(delimiter, pos);
            if (end == std::string::npos) end = len;
            value = line.substr(pos, end - pos);
            pos = end;
        }
        items.push_back(std::move(value));
        if (pos < len && line[pos] == delimiter) ++pos;
    }
    return items;
}

void TSdfDataSet::BuildFieldDefs()
{
    const auto& lines = Lines();
    bool blankFirst = true;
    if (!lines.empty())
        for (char c : lines.front().first)
            if (static_cast<unsigned char>(c) > ' ') blankFirst = false;
    if (blankFirst) firstLineAsSchema_ = false;
    else if (Schema().empty() || firstLineAsSchema_) {
        const auto items = SplitLine(lines.front().first, delimiter_);
        std::vector<std::string> schema;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (firstLineAsSchema_) {
                schema.push_back(items[i]);
            } else {
                char name[32];
                std::snprintf(name, sizeof name, "Field%zu", i + 1);
                schema.push_back(name);
            }
        }
        SetSchemaInternal(std::move(schema));
    }
    TFixedFormatDataSet::BuildFieldDefs();
}

TFixedFormatDataSet::RecordImage TSdfDataSet::LineToImage(const std::string& line) const
{
    const auto& defs = FieldDefs();
    RecordImage image = SplitLine(line, delimiter_, defs.size());
    image.resize(defs.size());
    for (std::size_t k = 0; k < defs.size(); ++k)
        if (image[k].size() > defs[k].width) image[k].resize(defs[k].width);
    return image;
}

std::string TSdfDataSet::ImageToLine(const RecordImage& image) const
{
    std::string line;
    for (const std::string& field : image) {
        std::size_t b = 0, e = field.size();
        while (b < e && static_cast<unsigned char>(field[b]) <= ' ') ++b;
        while (e > b && static_cast<unsigned char>(field[e - 1]) <= ' ') --e;
        std::string v = field.substr(b, e - b);
        if (v.find(delimiter_) != std::string::npos) v = '"' + v + '"';
        line += v;
        line += delimiter_;
    }
    while (!line.empty() && line.back() == delimiter_) line.pop_back();
    return line;
}

} // namespace zerath
