// Table: rows of text cells printed as aligned columns or as CSV.
#include "Table.h"
#include "Console.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace cli {

namespace {

bool IsUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80                 ? 1
                   : c >= 0xC2 && c < 0xE0  ? 2
                   : c >= 0xE0 && c < 0xF0  ? 3
                   : c >= 0xF0 && c <= 0xF4 ? 4
                                            : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n;
    }
    return true;
}

/// Text that JSON can carry: UTF-8 as it is, anything else read as Latin-1.
std::string AsUtf8(const std::string& s)
{
    if (IsUtf8(s))
        return s;
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

nlohmann::ordered_json JsonValue(const std::string& cell, bool numeric)
{
    if (cell.empty())
        return nullptr;
    if (numeric && cell.find_first_of(" \t\n") == std::string::npos) {
        const char* begin = cell.c_str();
        char* end = nullptr;
        errno = 0;
        long long whole = std::strtoll(begin, &end, 10);
        if (*end == '\0' && errno == 0)
            return whole;
        double v = std::strtod(begin, &end);
        if (*end == '\0' && std::isfinite(v))
            return v;
    }
    return AsUtf8(cell);
}

} // namespace

const OptionSpec kCsvOption = {"csv", 0, false};
const OptionSpec kJsonOption = {"json", 0, false};

Format TableFormat(const CommandLine& cl)
{
    if (cl.Has("csv") && cl.Has("json"))
        Fail("give --csv or --json, not both");
    return cl.Has("json") ? Format::Json : cl.Has("csv") ? Format::Csv : Format::Aligned;
}

std::string JsonCell(const std::string& cell, bool numeric)
{
    return JsonValue(cell, numeric).dump();
}

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

std::string Table::Json() const
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& row : rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (size_t c = 0; c < headings.size(); ++c)
            object[AsUtf8(headings[c])] = JsonValue(row[c], right[c]);
        array.push_back(std::move(object));
    }
    return array.dump(2) + "\n";
}

std::string Table::Text(Format format) const
{
    if (format == Format::Json)
        return Json();
    std::string text;
    if (format == Format::Csv) {
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
