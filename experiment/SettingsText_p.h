// SettingsText: read-only lookups in the text of a settings file, read once (not installed).
#ifndef TALVEX_SETTINGSTEXT_P_H
#define TALVEX_SETTINGSTEXT_P_H

#include "DString.h"

#include <string>
#include <unordered_map>

namespace expt {

/// The sections and keys of one settings file as DIni reads them (sections and keys without
/// regard to ASCII case, the first of duplicates wins, one trailing CR dropped from a line),
/// looked up in the file's text without building a DIni: a listing reads one cache file of
/// many shots, where parsing every line into its own string would cost more than the read.
class SettingsText {
public:
    /// Where a section's lines lie in the text: [begin, end).
    struct Range {
        int begin = 0;
        int end = 0;
    };

    /// Reads the file; a missing or unreadable file holds no sections.
    void Read(DString const& path);
    /// Takes a text already read (shared, not copied).
    void Take(DString const& text);
    /// The section's lines; false when there is no section of that name.
    bool Find(DString const& section, Range& at);
    /// The key's value in the section's lines, as DIni::GetKeyValue gives it: empty when the
    /// key is missing or its value is.
    DString Value(Range const& at, DString const& key) const;
    /// GetShotData's reading of a field name: `a::b` is a, else b.
    DString Field(Range const& at, DString const& name) const;

private:
    void Index();

    DString text;
    bool indexed = false;
    std::unordered_map<std::string, Range> sections; ///< by folded name
};

} // namespace expt

#endif
