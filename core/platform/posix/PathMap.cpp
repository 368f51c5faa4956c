// Windows path syntax mapped onto the POSIX file system, and the directory search.
#include "Platform.h"
#include "Posix_p.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace posix {

std::string JoinNative(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

} // namespace posix

namespace {

using namespace posix;

DriveLookup g_driveLookup = nullptr;

// One element of a caller's path, as a range of its text.
struct Element {
    std::size_t pos;
    std::size_t len;
};

// A caller's path taken apart: the native folder its elements start from and the elements.
struct Parsed {
    bool resolves = false;
    std::string root;           // empty for a relative path
    std::vector<Element> elems; // elements below the root
};

std::string Text(const std::string& path, Element e)
{
    return path.substr(e.pos, e.len);
}

void SplitElements(const std::string& path, std::size_t from, std::vector<Element>& out)
{
    std::size_t i = from;
    while (i < path.size()) {
        while (i < path.size() && IsSep(path[i]))
            ++i;
        std::size_t start = i;
        while (i < path.size() && !IsSep(path[i]))
            ++i;
        if (i > start)
            out.push_back({start, i - start});
    }
}

// Native folder of \\server\share; the mount table may consume elements below the share
// (a mount of //server/share/sub), which are then dropped from the front of `rest`.
std::string NetworkRoot(const std::string& path, const std::string& server,
                        const std::string& share, std::vector<Element>& rest)
{
    if (EqualNoCase(server, HostName())) {
        for (const Share& s : ShareTable())
            if (EqualNoCase(s.name, share))
                return s.folder;
    }
    const std::vector<NetworkMount> mounts = MountTable();
    const NetworkMount* best = nullptr;
    for (const NetworkMount& m : mounts) {
        if (!EqualNoCase(m.server, server) || !EqualNoCase(m.share, share)
            || m.subPath.size() > rest.size())
            continue;
        bool below = true;
        for (std::size_t i = 0; i < m.subPath.size() && below; ++i)
            below = EqualNoCase(m.subPath[i], Text(path, rest[i]));
        if (below && (!best || m.subPath.size() > best->subPath.size()))
            best = &m;
    }
    if (!best)
        return {};
    std::string root = best->mountPoint;
    rest.erase(rest.begin(), rest.begin() + std::ptrdiff_t(best->subPath.size()));
    return root;
}

Parsed Parse(const std::string& path)
{
    Parsed p;
    if (path.empty())
        return p;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        std::vector<Element> all;
        SplitElements(path, 2, all);
        if (all.size() < 2)
            return p;
        p.elems.assign(all.begin() + 2, all.end());
        p.root = NetworkRoot(path, Text(path, all[0]), Text(path, all[1]), p.elems);
        p.resolves = !p.root.empty();
        return p;
    }
    if (path.size() >= 2 && path[1] == ':') {
        char letter = path[0];
        if (letter >= 'a' && letter <= 'z')
            letter = char(letter - 'a' + 'A');
        if (letter < 'A' || letter > 'Z' || !g_driveLookup)
            return p;
        p.root = g_driveLookup(letter);
        p.resolves = !p.root.empty();
        SplitElements(path, 2, p.elems);
        return p;
    }
    if (IsSep(path[0]))
        p.root = "/";
    p.resolves = true;
    SplitElements(path, 0, p.elems);
    return p;
}

// EqualNoCase without making a string of every directory entry.
bool SameNoCase(const char* entry, const std::string& name)
{
    std::size_t i = 0;
    for (; i < name.size(); ++i)
        if (entry[i] == '\0' || Lower(entry[i]) != Lower(name[i]))
            return false;
    return entry[i] == '\0';
}

// Letters of a name up to which its case variants are looked up one by one in a large folder
// (2^6 = 64 lookups), and the size above which a folder is large (one block of most file
// systems): reading a folder of thousands of entries costs far more than a few lookups.
const int MaxProbedLetters = 6;
const long long LargeFolderBytes = 4096;

// The first case variant of `name` in `folder` in search order, found by looking each variant
// up, or false when none exists. Variants are equal ignoring case, so search order is byte
// order among them: with bit (letters - 1 - i) of m set when letter i is lower case, counting
// m up visits them in that order. `done` is false when the lookups cannot tell.
bool ProbeVariants(const std::string& folder, const std::string& name, std::string& real,
                   bool& done)
{
    done = false;
    std::vector<std::size_t> letters;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (Lower(name[i]) != Upper(name[i]))
            letters.push_back(i);
    if (letters.empty()) {
        done = true; // no other spelling exists, and the exact one is missing
        return false;
    }
    struct stat st;
    if (letters.size() > std::size_t(MaxProbedLetters)
        || stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || st.st_size <= LargeFolderBytes)
        return false;
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    bool found = false;
    bool sure = true;
    std::string variant = name;
    unsigned const count = 1u << letters.size();
    for (unsigned m = 0; m < count && !found && sure; ++m) {
        for (std::size_t i = 0; i < letters.size(); ++i) {
            char& c = variant[letters[i]];
            c = (m >> (letters.size() - 1 - i)) & 1u ? Lower(c) : Upper(c);
        }
        if (fstatat(dir, variant.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            found = true;
        else if (errno != ENOENT)
            sure = false;
    }
    close(dir);
    done = sure;
    if (found)
        real = variant;
    return found;
}

// The real name of `name` inside `folder`: itself when it exists exactly, else its first case
// variant in search order. The folder is read only when the exact name is missing and its
// variants cannot be looked up one by one more cheaply.
bool LookupElement(const std::string& folder, const std::string& name, std::string& real)
{
    if (name == "." || name == "..") {
        real = name;
        return true;
    }
    struct stat st;
    if (lstat(JoinNative(folder, name).c_str(), &st) == 0) {
        real = name;
        return true;
    }
    if (errno != ENOENT)
        return false;
    bool done = false;
    bool const probed = ProbeVariants(folder, name, real, done);
    if (done)
        return probed;
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return false;
    bool found = false;
    while (dirent* e = readdir(d)) {
        if (!SameNoCase(e->d_name, name) || (found && !SearchLess(e->d_name, real)))
            continue;
        real = e->d_name;
        found = true;
    }
    closedir(d);
    return found;
}

// Resolves the first `count` elements; with lastMayBeMissing the last of them is taken as
// written when no entry of that name exists.
bool Resolve(const std::string& path, const Parsed& p, std::size_t count, bool lastMayBeMissing,
             std::string& native, std::vector<std::string>* realNames)
{
    // The usual case first: every element exists as written, which one lstat shows.
    std::string cur = p.root;
    for (std::size_t i = 0; i < count; ++i)
        cur = JoinNative(cur, Text(path, p.elems[i]));
    struct stat st;
    if (count == 0 || lstat(cur.c_str(), &st) == 0) {
        native = cur;
        for (std::size_t i = 0; realNames && i < count; ++i)
            realNames->push_back(Text(path, p.elems[i]));
        return true;
    }
    // Next most usual: only the last element is missing as written (a new file, a variant).
    std::size_t from = 0;
    std::string parent = p.root;
    for (std::size_t i = 0; i + 1 < count; ++i)
        parent = JoinNative(parent, Text(path, p.elems[i]));
    if (count > 1 && lstat(parent.c_str(), &st) == 0) {
        from = count - 1;
        for (std::size_t i = 0; realNames && i < from; ++i)
            realNames->push_back(Text(path, p.elems[i]));
    }
    cur = from > 0 ? parent : p.root;
    for (std::size_t i = from; i < count; ++i) {
        std::string name = Text(path, p.elems[i]), real;
        if (!LookupElement(cur, name, real)) {
            if (!(lastMayBeMissing && i + 1 == count))
                return false;
            real = name;
        }
        cur = JoinNative(cur, real);
        if (realNames)
            realNames->push_back(real);
    }
    native = cur;
    return true;
}

// Time of a statx timestamp in whole seconds.
long long Seconds(const struct statx_timestamp& t)
{
    return (long long)t.tv_sec;
}

bool Describe(const std::string& native, FoundEntry& out)
{
    struct statx sx;
    unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    if (statx(AT_FDCWD, native.c_str(), 0, mask, &sx) != 0
        && statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
        return false;
    out.folder = S_ISDIR(sx.stx_mode);
    out.size = (long long)sx.stx_size;
    out.modified = Seconds(sx.stx_mtime);
    out.created = (sx.stx_mask & STATX_BTIME) ? Seconds(sx.stx_btime) : Seconds(sx.stx_ctime);
    return true;
}

} // namespace

void SetDriveLookup(DriveLookup lookup)
{
    g_driveLookup = lookup;
}

std::string ToNative(const std::string& path, bool forWrite)
{
    Parsed p = Parse(path);
    if (!p.resolves)
        return {};
    if (p.elems.empty())
        return p.root;
    std::string native;
    if (!Resolve(path, p, p.elems.size(), forWrite, native, nullptr))
        return {};
    return native;
}

std::vector<FoundEntry> FindEntries(const std::string& path, std::string* folderText)
{
    std::vector<FoundEntry> out;
    Parsed p = Parse(path);
    if (!p.resolves || p.elems.empty())
        return out;
    Element last = p.elems.back();
    std::string folder;
    std::vector<std::string> real;
    if (!Resolve(path, p, p.elems.size() - 1, false, folder, &real))
        return out;
    if (folderText) {
        std::string text = path.substr(0, last.pos);
        for (std::size_t i = real.size(); i-- > 0;)
            text.replace(p.elems[i].pos, p.elems[i].len, real[i]);
        *folderText = text;
    }
    std::string pattern = Text(path, last);
    FoundEntry e;
    if (!HasJoker(pattern)) {
        std::string name = pattern;
        if (Describe(JoinNative(folder, name), e)
            || (LookupElement(folder, pattern, name) && Describe(JoinNative(folder, name), e))) {
            e.name = name;
            out.push_back(e);
        }
        return out;
    }
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return out;
    while (dirent* de = readdir(d)) {
        std::string n = de->d_name;
        if (n == "." || n == ".." || (n[0] == '.' && pattern[0] != '.'))
            continue;
        if (WildcardMatch(pattern, n) && Describe(JoinNative(folder, n), e)) {
            e.name = n;
            out.push_back(e);
        }
    }
    closedir(d);
    std::sort(out.begin(), out.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return SearchLess(a.name, b.name); });
    return out;
}

bool StatPath(const std::string& nativePath, FoundEntry& out)
{
    if (nativePath.empty() || !Describe(nativePath, out))
        return false;
    std::size_t slash = nativePath.find_last_of('/');
    out.name = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
    return true;
}

} // namespace platform
