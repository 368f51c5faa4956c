// Table: rows of text cells printed as aligned columns or as CSV.
#ifndef TALVEX_CLI_TABLE_H
#define TALVEX_CLI_TABLE_H

#include <string>
#include <vector>

namespace cli {

/// A table with a heading row. Aligned output pads every column but the last to its widest
/// cell (counted in UTF-8 characters) and puts two spaces between columns; CSV output quotes
/// cells holding a comma, a quote or a line break, as RFC 4180 says.
class Table {
public:
    explicit Table(std::vector<std::string> headings);

    /// Numbers read best right-aligned.
    void AlignRight(size_t column);
    /// Adds a row; missing cells are empty, extra cells are dropped.
    void Add(std::vector<std::string> row);
    size_t Rows() const { return rows.size(); }

    /// The whole table as text, lines ending in LF.
    std::string Text(bool csv) const;

    /// One CSV cell, quoted when it must be.
    static std::string CsvCell(const std::string& cell);

private:
    std::string AlignedLine(const std::vector<std::string>& row,
                            const std::vector<size_t>& widths) const;

    std::vector<std::string> headings;
    std::vector<bool> right;
    std::vector<std::vector<std::string>> rows;
};

/// Characters of a UTF-8 text (bytes that do not continue a character).
size_t DisplayWidth(const std::string& text);

} // namespace cli

#endif
