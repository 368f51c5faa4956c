// Table: rows of text cells printed as aligned columns or as CSV.
#ifndef TALVEX_CLI_TABLE_H
#define TALVEX_CLI_TABLE_H

#include "CommandLine.h"

#include <string>
#include <vector>

namespace cli {

/// How a table is printed: aligned columns, CSV, or JSON.
enum class Format { Aligned, Csv, Json };

/// A table with a heading row. Aligned output pads every column but the last to its widest
/// cell (counted in UTF-8 characters) and puts two spaces between columns; CSV output quotes
/// cells holding a comma, a quote or a line break, as RFC 4180 says; JSON output is an array
/// of objects keyed by the headings, empty cells null.
class Table {
public:
    explicit Table(std::vector<std::string> headings);

    /// Numbers read best right-aligned; in JSON the column's cells that read wholly as a
    /// number become numbers.
    void AlignRight(size_t column);
    /// Adds a row; missing cells are empty, extra cells are dropped.
    void Add(std::vector<std::string> row);
    size_t Rows() const { return rows.size(); }

    /// The whole table as text, lines ending in LF.
    std::string Text(Format format) const;
    std::string Text(bool csv) const { return Text(csv ? Format::Csv : Format::Aligned); }

    /// One CSV cell, quoted when it must be.
    static std::string CsvCell(const std::string& cell);

private:
    std::string Json() const;
    std::string AlignedLine(const std::vector<std::string>& row,
                            const std::vector<size_t>& widths) const;

    std::vector<std::string> headings;
    std::vector<bool> right;
    std::vector<std::vector<std::string>> rows;
};

/// The one JSON value of a cell: null when empty, a number when numeric and the text reads
/// wholly as a finite number, else the text (8-bit text that is not UTF-8 taken as Latin-1).
std::string JsonCell(const std::string& cell, bool numeric);

/// The options that choose a table's format: --csv and --json.
extern const OptionSpec kCsvOption;
extern const OptionSpec kJsonOption;

/// The format the command line asks for; fails when both --csv and --json are given.
Format TableFormat(const CommandLine& cl);

/// Characters of a UTF-8 text (bytes that do not continue a character).
size_t DisplayWidth(const std::string& text);

} // namespace cli

#endif
