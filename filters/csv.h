#pragma once

// The CSV export of a statistics list: a header line with the column titles, then one line
// per row in list order, the columns in display order. Every field is quoted with inner
// quotes doubled, except an empty cell, which is an empty field (a cell that would pass for
// a formula begins with "'", see appendCsvField); fields are separated by
// "," and every line ends with CR LF. Texts are written as the list holds them (CP932),
// without a byte-order mark. Filter panes, Sortwell and Wordlens export through this.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace filters {

// What a list exports: its column titles and its cell texts.
class CellSource
{
  public:
    virtual ~CellSource() = default;
    virtual std::size_t rowCount() const = 0;
    virtual std::string_view columnTitle(int subitem) const = 0;
    // Appends the text of a cell (nothing for a row past the end).
    virtual void appendCellText(std::string& out, std::size_t row, int subitem) const = 0;
};

// Appends one field: quoted, inner quotes doubled; nothing for an empty text. A text that a
// spreadsheet would take for a formula (it begins with "=", "+", "-", "@", a TAB or a CR,
// and is no plain number) gets a "'" in front inside the quotes, so it is shown as text.
void appendCsvField(std::string& out, std::string_view text);

// The whole export, columns in displayOrder (subitems).
std::string csvText(const CellSource& source, std::span<const int> displayOrder);

// Writes the export to path. The file is replaced whole: a failed export leaves an
// existing file as it was, and never a part of the export behind. Returns 0 or the error
// code of the failing step (the folder missing or not writable, the disk full, ...).
[[nodiscard]] int exportCsv(const std::string& path, const CellSource& source,
                            std::span<const int> displayOrder);

// What the user is told when an export fails (UTF-8), in a box with this caption.
inline constexpr char kExportFailedText[] = "エクスポートに失敗しました";
inline constexpr char kExportCaption[] = "Export";

// The save dialog's file filter and default extension.
inline constexpr char kCsvFilter[] = "CSV(*.csv;*.txt)";
inline constexpr char kCsvExtension[] = ".csv";

} // namespace filters
