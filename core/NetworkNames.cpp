// Network (UNC) and local forms of paths, through this computer's shares and mounted shares.
#include "Drives_p.h"
#include "FileSystem.h"
#include "Paths.h"
#include "Platform.h"

#include <string>
#include <vector>

namespace {

DString D(std::string const& s)
{
    return DString(s.c_str());
}

bool IsSep(char c)
{
    return platform::IsPathSeparator(c);
}

bool IsNetworkPath(DString const& p)
{
    return p.Len() >= 2 && p[0] == '\\' && p[1] == '\\';
}

DString ThisComputer()
{
    return ~ComputerName ? ComputerName : D(platform::HostName());
}

DString WithSeparators(DString const& s, char sep)
{
    DString r(s);
    char* p = r.GetBuffer(s.Len());
    for (int i = 0; i < s.Len(); ++i)
        if (IsSep(p[i]))
            p[i] = sep;
    return r;
}

// An absolute path as native text, for comparison with share folders and mount points: a
// mapped drive becomes its folder (on Windows drive paths are native already). Empty for
// relative paths and unmapped drives.
DString NativeText(DString const& path)
{
    if (platform::kWindows)
        return (path.Len() >= 2 && path[1] == ':') || (path.Len() > 0 && IsSep(path[0]))
                   ? path
                   : DString();
    if (path.Len() >= 2 && path[1] == ':') {
        char letter = path[0];
        if (letter >= 'a' && letter <= 'z')
            letter = char(letter - 'a' + 'A');
        std::string root = (letter >= 'A' && letter <= 'Z') ? MappedDriveRoot(letter) : "";
        if (root.empty())
            return DString();
        return WithSeparators(D(root) + "/" + path.Mid(2), '/');
    }
    if (path.Len() > 0 && IsSep(path[0]))
        return WithSeparators(path, '/');
    return DString();
}

// Length of a folder's text without its trailing separators (the "longest match" measure).
int FolderLength(std::string const& folder)
{
    std::size_t n = folder.size();
    while (n > 1 && IsSep(folder[n - 1]))
        --n;
    return int(n);
}

DString NetworkForm(DString const& server, DString const& share,
                    std::vector<std::string> const& sub, DString const& rest)
{
    DString r("\\\\");
    r << server << '\\' << share;
    for (std::string const& s : sub)
        r << '\\' << s.c_str();
    if (~rest)
        r << '\\' << WithSeparators(rest, '\\');
    return r;
}

} // namespace

DString GetUNCFileName(DString const& path)
{
    if (IsNetworkPath(path))
        return path;
    if (path.Len() >= 2 && path[1] == ':') { // a drive connected to a network path
        char letter = path[0];
        if (letter >= 'a' && letter <= 'z')
            letter = char(letter - 'a' + 'A');
        DString remote;
        if (letter >= 'A' && letter <= 'Z') {
            remote = D(platform::NetworkDriveRemote(letter));
            if (!remote)
                remote = D(DriveMapping(letter));
        }
        while (IsNetworkPath(remote) && IsSep(remote[remote.Len() - 1]))
            remote.TruncateBy(1);
        DString rest = WithSeparators(path.Mid(2), '\\');
        if (IsNetworkPath(remote))
            return ~rest && rest[0] != '\\' ? remote + "\\" + rest : remote + rest;
    }
    DString native = NativeText(path);
    if (!native)
        return path;

    // Folders on a mounted network share (a mapped network drive).
    const platform::NetworkMount* mount = nullptr;
    DString rest, best;
    std::vector<platform::NetworkMount> mounts = platform::MountTable();
    for (platform::NetworkMount const& m : mounts) {
        if (PathAfterPrefix(native, D(m.mountPoint), rest)
            && (!mount || FolderLength(m.mountPoint) > FolderLength(mount->mountPoint))) {
            mount = &m;
            best = rest;
        }
    }
    if (mount)
        return NetworkForm(D(mount->server), D(mount->share), mount->subPath, best);

    // Folders under one of this computer's shares: the longest share folder wins.
    const platform::Share* share = nullptr;
    std::vector<platform::Share> shares = platform::ShareTable();
    for (platform::Share const& s : shares) {
        if (PathAfterPrefix(native, D(s.folder), rest)
            && (!share || FolderLength(s.folder) > FolderLength(share->folder))) {
            share = &s;
            best = rest;
        }
    }
    if (share)
        return NetworkForm(ThisComputer(), D(share->name), {}, best);
    return path;
}

DString GetLocalFileName(DString const& path)
{
    DString host = ThisComputer();
    if (!host || !IsNetworkPath(path))
        return path;
    int serverEnd = 2;
    while (serverEnd < path.Len() && !IsSep(path[serverEnd]))
        ++serverEnd;
    if (!(path.Mid(2, serverEnd - 2) %= host))
        return path;
    int shareStart = serverEnd;
    while (shareStart < path.Len() && IsSep(path[shareStart]))
        ++shareStart;
    int shareEnd = shareStart;
    while (shareEnd < path.Len() && !IsSep(path[shareEnd]))
        ++shareEnd;
    if (shareEnd == shareStart)
        return path;
    DString shareName = path.Mid(shareStart, shareEnd - shareStart);
    for (platform::Share const& s : platform::ShareTable()) {
        if (!(D(s.name) %= shareName))
            continue;
        DString folder = D(s.folder);
        DString sub = WithSeparators(path.Mid(shareEnd), IsWindowsStylePath(folder) ? '\\' : '/');
        if (~sub && IsSep(folder[folder.Len() - 1]))
            folder.TruncateBy(1);
        return folder + sub;
    }
    return path;
}
