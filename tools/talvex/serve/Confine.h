// Confine: the checks that keep every name a client sends inside the experiment.
#ifndef TALVEX_SERVE_CONFINE_H
#define TALVEX_SERVE_CONFINE_H

#include <string>
#include <vector>

namespace serve {

/// True for a name that can only mean one entry of one folder: not empty, at most 255 bytes,
/// no separator (/ or \), no drive or stream colon, no wildcard, no control character, no
/// leading '.' (so neither "." nor ".." nor hidden files), and none of the prefixes the
/// library gives a meaning beyond the folder ('<', '>', '@').
bool IsPlainName(const std::string& name);

/// The folders a served file may lie in, by their real paths (symbolic links resolved).
class Confinement {
public:
    /// Adds a folder; one that does not exist is left out.
    void AddRoot(const std::string& folder);
    /// True when path exists and its real path lies inside one of the roots.
    bool Contains(const std::string& path) const;

private:
    std::vector<std::string> roots;
};

} // namespace serve

#endif
