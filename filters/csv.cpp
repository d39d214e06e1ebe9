#include "filters/csv.h"

#include "platform/files.h"

namespace filters {

void appendCsvField(std::string& out, std::string_view text)
{
    if (text.empty())
        return;
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string csvText(const CellSource& source, std::span<const int> displayOrder)
{
    std::string out;
    for (std::size_t c = 0; c < displayOrder.size(); ++c) {
        if (c)
            out += ',';
        appendCsvField(out, source.columnTitle(displayOrder[c]));
    }
    out += "\r\n";
    std::string cell;
    for (std::size_t row = 0; row < source.rowCount(); ++row) {
        for (std::size_t c = 0; c < displayOrder.size(); ++c) {
            if (c)
                out += ',';
            cell.clear();
            source.appendCellText(cell, row, displayOrder[c]);
            appendCsvField(out, cell);
        }
        out += "\r\n";
    }
    return out;
}

int exportCsv(const std::string& path, const CellSource& source, std::span<const int> displayOrder)
{
    return platform::replaceFile(path, csvText(source, displayOrder));
}

} // namespace filters
