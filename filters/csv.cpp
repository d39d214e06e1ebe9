#include "filters/csv.h"

#include "platform/files.h"

namespace filters {

namespace {

// "-3", "+1.5", "12.5%": a number a spreadsheet reads as one, never a formula.
bool plainNumber(std::string_view text)
{
    std::size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            digits = true;
        else if (c == '.' && !point)
            point = true;
        else if (c == '%' && i + 1 == text.size())
            break;
        else
            return false;
    }
    return digits;
}

// A spreadsheet takes a cell beginning with "=", "+", "-" or "@" as a formula, and drops a
// leading TAB or CR before it looks; such a cell from a log, the name service or a search
// word would run when the export is opened.
bool formulaLike(std::string_view text)
{
    const char c = text[0];
    return (c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r') &&
           !plainNumber(text);
}

} // namespace

void appendCsvField(std::string& out, std::string_view text)
{
    if (text.empty())
        return;
    out += '"';
    if (formulaLike(text))
        out += '\''; // shown as text, never evaluated
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
