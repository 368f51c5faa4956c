// Table: rows of text cells printed as aligned columns or as CSV.
#include "Table.h"

#include <algorithm>

namespace cli {

size_t DisplayWidth(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

Table::Table(std::vector<std::string> headings)
    : headings(std::move(headings)), right(this->headings.size(), false)
{
}

void Table::AlignRight(size_t column)
{
    if (column < right.size())
        right[column] = true;
}

void Table::Add(std::vector<std::string> row)
{
    row.resize(headings.size());
    rows.push_back(std::move(row));
}

std::string Table::CsvCell(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Table::AlignedLine(const std::vector<std::string>& row,
                               const std::vector<size_t>& widths) const
{
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
        if (c > 0)
            line += "  ";
        std::string pad(widths[c] - DisplayWidth(row[c]), ' ');
        line += right[c] ? pad + row[c] : row[c] + pad;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line + "\n";
}

std::string Table::Text(bool csv) const
{
    std::string text;
    if (csv) {
        auto csvLine = [](const std::vector<std::string>& row) {
            std::string line;
            for (size_t c = 0; c < row.size(); ++c)
                line += (c ? "," : "") + CsvCell(row[c]);
            return line + "\n";
        };
        text += csvLine(headings);
        for (const auto& row : rows)
            text += csvLine(row);
        return text;
    }
    std::vector<size_t> widths(headings.size());
    for (size_t c = 0; c < headings.size(); ++c) {
        widths[c] = DisplayWidth(headings[c]);
        for (const auto& row : rows)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    text += AlignedLine(headings, widths);
    for (const auto& row : rows)
        text += AlignedLine(row, widths);
    return text;
}

} // namespace cli
