// Windows paths as they are (the system's own syntax), and the directory search.
#include "Platform.h"
#include "Win32_p.h"

#include <algorithm>

namespace platform {

namespace win32 {

namespace {

// Where the last element begins: after the last separator, or after "X:" of a drive path.
std::size_t LastElementStart(const std::string& path)
{
    std::size_t i = path.size();
    while (i > 0 && !IsOsSep(path[i - 1]))
        --i;
    if (i == 0 && path.size() >= 2 && path[1] == ':')
        i = 2;
    return i;
}

} // namespace

std::string ParentOf(const std::string& path)
{
    std::size_t start = LastElementStart(path);
    std::size_t end = start;
    while (end > 0 && IsOsSep(path[end - 1]))
        --end;
    if (end == 0 || (end == 2 && path[1] == ':'))
        return path.substr(0, start); // the root with its separators, "C:", or nothing
    return path.substr(0, end);
}

std::string NameOf(const std::string& path)
{
    return path.substr(LastElementStart(path));
}

std::string FullPath(const std::string& path)
{
    if (path.empty())
        return {};
    std::string buf(MAX_PATH, '\0');
    for (int tries = 0; tries < 4; ++tries) {
        DWORD n = GetFullPathNameA(path.c_str(), DWORD(buf.size()), &buf[0], nullptr);
        if (n == 0)
            return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(n + 1);
    }
    return {};
}

// A path that names a root and no element below it: "C:", "C:\", "\", "\\server\share".
bool IsRootOnly(const std::string& path)
{
    std::size_t i = 0;
    while (i < path.size() && IsOsSep(path[i]))
        ++i;
    if (i >= 2) { // \\server\share: two elements
        int elements = 0;
        for (std::size_t k = i; k < path.size(); ++k)
            if (!IsOsSep(path[k]) && (k == i || IsOsSep(path[k - 1])))
                ++elements;
        return elements <= 2;
    }
    std::string rest = path.substr(i);
    while (!rest.empty() && IsOsSep(rest.back()))
        rest.pop_back();
    return rest.empty() || (i == 0 && rest.size() == 2 && rest[1] == ':');
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (IsOsSep(folder.back()))
        return folder + name;
    return folder + '\\' + name;
}

} // namespace win32

namespace {

using namespace win32;

FoundEntry Entry(const WIN32_FIND_DATAA& fd)
{
    FoundEntry e;
    e.name = fd.cFileName;
    e.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.size = (long long)(((unsigned long long)fd.nFileSizeHigh << 32) | fd.nFileSizeLow);
    e.created = UnixSeconds(fd.ftCreationTime);
    e.modified = UnixSeconds(fd.ftLastWriteTime);
    return e;
}

} // namespace

// Drive letters are the system's own here: nothing to look up.
void SetDriveLookup(DriveLookup) { }

std::string ToNative(const std::string& path, bool forWrite)
{
    if (path.empty() || HasJoker(path))
        return {};
    if (Exists(path))
        return path;
    if (!forWrite)
        return {};
    std::string parent = ParentOf(path);
    DWORD a = Attributes(parent);
    bool folder = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    return parent.empty() || folder ? path : std::string();
}

// The search gives every fact at once, so `kindOnly` saves nothing here.
std::vector<FoundEntry> FindEntries(const std::string& path, std::string* folderText, bool)
{
    std::vector<FoundEntry> out;
    // Trailing separators name the element before them, as everywhere else in the system.
    std::string bare = path;
    while (!bare.empty() && IsOsSep(bare.back()))
        bare.pop_back();
    if (bare.empty() || IsRootOnly(bare))
        return out;
    std::size_t cut = bare.size() - NameOf(bare).size();
    std::string pattern = bare.substr(cut);
    if (folderText)
        *folderText = bare.substr(0, cut);

    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(bare.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) // the extended search, once, before giving up
        h = FindFirstFileExA(bare.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    const bool wild = HasJoker(pattern);
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        // The long name decides: a match through a short name (a~1.wvf for *.wvf) is none.
        if (wild && (!WildcardMatch(pattern, name) || (name[0] == '.' && pattern[0] != '.')))
            continue;
        out.push_back(Entry(fd));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return SearchLess(a.name, b.name); });
    return out;
}

bool StatPath(const std::string& nativePath, FoundEntry& out)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (nativePath.empty()
        || !GetFileAttributesExA(nativePath.c_str(), GetFileExInfoStandard, &data))
        return false;
    out.name = NameOf(nativePath);
    out.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.size = (long long)(((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow);
    out.created = UnixSeconds(data.ftCreationTime);
    out.modified = UnixSeconds(data.ftLastWriteTime);
    return true;
}

FolderScope::FolderScope(const std::string& nativeFolder) : folder(nativeFolder) { }

FolderScope::~FolderScope() = default;

bool FolderScope::Stat(const std::string& sub, const std::string& name, FoundEntry& out) const
{
    std::string path = folder + '\\' + sub;
    return StatPath(name.empty() ? path : path + '\\' + name, out);
}

} // namespace platform
