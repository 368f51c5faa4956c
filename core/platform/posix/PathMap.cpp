// Windows path syntax mapped onto the POSIX file system, and the directory search.
#include "Platform.h"
#include "NameIndex_p.h"
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

bool HasLetters(const std::string& name)
{
    for (char c : name)
        if (Lower(c) != Upper(c))
            return true;
    return false;
}

// The real name of `name` inside `folder`: itself when it exists exactly, else its first case
// variant in search order, from the folder's name index. `exactMissing`: the caller has just
// seen that the exact name is missing; `folderStat`, when given, is the folder's fresh stat.
bool LookupElement(const std::string& folder, const std::string& name, std::string& real,
                   bool exactMissing = false, const struct stat* folderStat = nullptr)
{
    if (name == "." || name == "..") {
        real = name;
        return true;
    }
    struct stat st;
    if (!exactMissing) {
        if (lstat(JoinNative(folder, name).c_str(), &st) == 0) {
            real = name;
            return true;
        }
        if (errno != ENOENT)
            return false;
    }
    if (!HasLetters(name))
        return false; // no other spelling exists, and the exact one is missing
    if (!folderStat) {
        if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0)
            return false;
        folderStat = &st;
    }
    return LookupInFolder(folder, *folderStat, name, real) == Lookup::Found;
}

// The native path of every element as written.
std::string WrittenPath(const std::string& path, const Parsed& p)
{
    std::string native = p.root;
    for (const Element& e : p.elems)
        native = JoinNative(native, Text(path, e));
    return native;
}

// Resolves the first `count` elements; with lastMayBeMissing the last of them is taken as
// written when no entry of that name exists.
bool Resolve(const std::string& path, const Parsed& p, std::size_t count, bool lastMayBeMissing,
             std::string& native, std::vector<std::string>* realNames)
{
    std::string parent = p.root;
    for (std::size_t i = 0; i + 1 < count; ++i)
        parent = JoinNative(parent, Text(path, p.elems[i]));
    struct stat st;
    // In a folder already indexed one stat of the folder answers for the last element.
    if (count > 0 && HasFolderIndex(parent) && stat(parent.empty() ? "." : parent.c_str(), &st) == 0
        && S_ISDIR(st.st_mode)) {
        const std::string name = Text(path, p.elems[count - 1]);
        std::string real = name;
        const Lookup found = name == "." || name == ".."
                                 ? Lookup::Found
                                 : LookupInFolder(parent, st, name, real, true);
        if (found == Lookup::Found || (found == Lookup::Missing && lastMayBeMissing)) {
            native = JoinNative(parent, real);
            for (std::size_t i = 0; realNames && i + 1 < count; ++i)
                realNames->push_back(Text(path, p.elems[i]));
            if (realNames)
                realNames->push_back(real);
            return true;
        }
        // Missing for a read: the file system has the last word on an exact name.
    }
    // The usual case first: every element exists as written, which one lstat shows.
    std::string cur = JoinNative(parent, count > 0 ? Text(path, p.elems[count - 1]) : "");
    if (count == 0)
        cur = p.root;
    if (count == 0 || lstat(cur.c_str(), &st) == 0) {
        native = cur;
        for (std::size_t i = 0; realNames && i < count; ++i)
            realNames->push_back(Text(path, p.elems[i]));
        return true;
    }
    // Next most usual: only the last element is missing as written (a new file, a variant).
    std::size_t from = 0;
    bool parentKnown = false;
    if (count > 1 && stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        from = count - 1;
        parentKnown = true;
        for (std::size_t i = 0; realNames && i < from; ++i)
            realNames->push_back(Text(path, p.elems[i]));
    }
    cur = from > 0 ? parent : p.root;
    for (std::size_t i = from; i < count; ++i) {
        std::string name = Text(path, p.elems[i]), real;
        const bool known = parentKnown && i == from;
        if (!LookupElement(cur, name, real, known, known ? &st : nullptr)) {
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

// Facts about `path`, relative to folder descriptor `at` (AT_FDCWD: as given); a dangling
// symbolic link describes itself.
bool DescribeAt(int at, const char* path, FoundEntry& out)
{
    struct statx sx;
    unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    if (statx(at, path, 0, mask, &sx) != 0 && statx(at, path, AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
        return false;
    out.folder = S_ISDIR(sx.stx_mode);
    out.size = (long long)sx.stx_size;
    out.modified = Seconds(sx.stx_mtime);
    out.created = (sx.stx_mask & STATX_BTIME) ? Seconds(sx.stx_btime) : Seconds(sx.stx_ctime);
    return true;
}

bool Describe(const std::string& native, FoundEntry& out)
{
    return DescribeAt(AT_FDCWD, native.c_str(), out);
}

// What a folder listing tells of an entry; false when only a stat can say (a link, or a file
// system that leaves the kind unknown).
bool KindFromListing(const dirent& de, FoundEntry& out)
{
    if (de.d_type != DT_DIR && de.d_type != DT_REG)
        return false;
    out = FoundEntry();
    out.folder = de.d_type == DT_DIR;
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

std::vector<FoundEntry> FindEntries(const std::string& path, std::string* folderText, bool kindOnly)
{
    std::vector<FoundEntry> out;
    Parsed p = Parse(path);
    if (!p.resolves || p.elems.empty())
        return out;
    Element last = p.elems.back();
    std::string pattern = Text(path, last);
    FoundEntry e;
    // The usual case first: the whole path exists as written, which one stat shows.
    if (!HasJoker(pattern) && Describe(WrittenPath(path, p), e)) {
        if (folderText)
            *folderText = path.substr(0, last.pos);
        e.name = pattern;
        out.push_back(e);
        return out;
    }
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
        if (!WildcardMatch(pattern, n))
            continue;
        if ((kindOnly && KindFromListing(*de, e)) || DescribeAt(dirfd(d), de->d_name, e)) {
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

FolderScope::FolderScope(const std::string& nativeFolder) : folder(nativeFolder)
{
    if (!folder.empty())
        fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

FolderScope::~FolderScope()
{
    if (fd >= 0)
        close(fd);
}

bool FolderScope::Stat(const std::string& sub, const std::string& name, FoundEntry& out) const
{
    const std::string below = name.empty() ? sub : JoinNative(sub, name);
    if (fd < 0)
        return StatPath(JoinNative(folder, below), out);
    if (!DescribeAt(fd, below.c_str(), out))
        return false;
    out.name = name.empty() ? sub : name;
    return true;
}

} // namespace platform
