// Per-folder name index: case-insensitive lookups without reading the folder each time.
#include "NameIndex_p.h"
#include "Platform.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {
namespace posix {

namespace {

// Folders kept at once; past that the least recently used goes (with its descriptor).
const std::size_t MaxFolders = 32;
// How long after a check of its stamp a folder's index may take this process's own changes
// and the stamp they leave: past that an own change drops the index instead.
const double TrustSeconds = 1.0;
// Write times move in clock ticks of a few milliseconds: a folder read sooner than this after
// its last change is read again at the next look.
const long long RacyNanos = 50000000;

long long Nanos(const struct timespec& t)
{
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

std::string Folded(const std::string& name)
{
    std::string f = name;
    for (char& c : f)
        c = Lower(c);
    return f;
}

struct Folder {
    dev_t dev = 0;
    ino_t ino = 0;
    long long mtime = 0;     // the folder's write time the names are true for
    double checked = -1e9;   // monotonic time the stamp was last found current
    bool pending = false;    // own changes patched in since: the stamp is taken again
    bool racy = false;       // read within a clock tick of the last change: may miss a change
                             // that left the same write time
    int busy = 0;            // writer locks this process holds in the folder
    int fd = -1;             // kept open to sync the folder
    bool localLinks = false; // a local file system: a removed open file has no link left
    double used = 0;
    std::unordered_map<std::string, std::vector<std::string>> names; // folded -> real names
};

struct Index {
    std::mutex lock;
    std::unordered_map<std::string, Folder> folders;
};

Index& TheIndex()
{
    static Index* index = new Index; // never destroyed: used until the process ends
    return *index;
}

// The folder's index, or null; the caller holds the index's lock.
Folder* Indexed(Index& ix, const std::string& folder)
{
    auto it = ix.folders.find(folder);
    return it == ix.folders.end() ? nullptr : &it->second;
}

void Drop(Index& ix, const std::string& folder)
{
    auto it = ix.folders.find(folder);
    if (it == ix.folders.end())
        return;
    if (it->second.fd >= 0)
        close(it->second.fd);
    ix.folders.erase(it);
}

void MakeRoom(Index& ix)
{
    while (ix.folders.size() >= MaxFolders) {
        auto oldest = ix.folders.begin();
        for (auto it = ix.folders.begin(); it != ix.folders.end(); ++it)
            if (it->second.busy == 0 && it->second.used < oldest->second.used)
                oldest = it;
        const std::string key = oldest->first;
        Drop(ix, key);
    }
}

bool Current(const Folder& f, const struct stat& st)
{
    return f.dev == st.st_dev && f.ino == st.st_ino && f.mtime == Nanos(st.st_mtim);
}

// True for the local file systems where a file removed while open shows no link left (network
// file systems keep it linked under another name while this host has it open).
bool LocalLinks(int fd)
{
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0)
        return false;
    switch ((unsigned long)fs.f_type) {
    case 0xEF53UL:     // ext2, ext3, ext4
    case 0x58465342UL: // xfs
    case 0x9123683EUL: // btrfs
    case 0x01021994UL: // tmpfs
    case 0xF2F52010UL: // f2fs
        return true;
    default: return false;
    }
}

// Reads the folder's names; the stamp is taken before reading, so that a change made while
// reading shows as a stale stamp at the next look.
bool Build(const std::string& folder, Folder& out)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    DIR* d = fstat(fd, &st) == 0 ? fdopendir(fd) : nullptr;
    if (!d) {
        close(fd);
        return false;
    }
    out.dev = st.st_dev;
    out.ino = st.st_ino;
    out.localLinks = LocalLinks(fd);
    out.mtime = Nanos(st.st_mtim);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    out.racy = Nanos(now) - out.mtime < RacyNanos;
    out.names.clear();
    while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            out.names[Folded(n)].push_back(n);
    }
    closedir(d);
    return true;
}

const std::string* Best(const std::vector<std::string>& variants, const std::string& name)
{
    const std::string* best = nullptr;
    for (const std::string& v : variants) {
        if (v == name)
            return &v;
        if (!best || SearchLess(v, *best))
            best = &v;
    }
    return best;
}

void SplitNative(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool HasFolderIndex(const std::string& folder)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    return ix.folders.count(folder) != 0;
}

Lookup LookupInFolder(const std::string& folder, const struct stat& folderStat,
                      const std::string& name, std::string& real, bool onlyIfCurrent)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    const double now = MonotonicSeconds();
    auto it = ix.folders.find(folder);
    // Inside a run of own changes the stamp is stale by the changes themselves, which the
    // names already hold: trusted as long as the run's start was checked.
    const bool trusted = it != ix.folders.end() && it->second.dev == folderStat.st_dev
                         && it->second.ino == folderStat.st_ino
                         && (it->second.pending
                                 ? now - it->second.checked <= TrustSeconds
                                 : Current(it->second, folderStat) && !it->second.racy);
    if (!trusted && onlyIfCurrent)
        return Lookup::Unknown;
    if (!trusted) {
        Folder fresh;
        if (it != ix.folders.end()) {
            fresh.busy = it->second.busy;
            Drop(ix, folder);
        }
        if (!Build(folder, fresh))
            return Lookup::Unknown;
        MakeRoom(ix);
        it = ix.folders.emplace(folder, std::move(fresh)).first;
    }
    Folder& f = it->second;
    f.used = now;
    if (!f.pending)
        f.checked = now;
    auto hit = f.names.find(Folded(name));
    if (hit == f.names.end() || hit->second.empty())
        return Lookup::Missing;
    real = *Best(hit->second, name);
    return Lookup::Found;
}

bool LinksAreLocal(const std::string& folder)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    const Folder* f = Indexed(ix, folder);
    return f && f->localLinks;
}

void NoteOwnEntry(const std::string& nativePath, bool present)
{
    ForgetSeen();
    std::string folder, name;
    SplitNative(nativePath, folder, name);
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    Folder* indexed = Indexed(ix, folder);
    if (!indexed)
        return;
    Folder& f = *indexed;
    if (MonotonicSeconds() - f.checked > TrustSeconds) {
        Drop(ix, folder); // unsure what else changed: read the folder at the next look
        return;
    }
    std::vector<std::string>& v = f.names[Folded(name)];
    auto at = std::find(v.begin(), v.end(), name);
    if (present && at == v.end())
        v.push_back(name);
    else if (!present && at != v.end())
        v.erase(at);
    f.pending = true;
}

void ForgetFolder(const std::string& folder)
{
    ForgetSeen();
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    Drop(ix, folder);
}

void ForgetFolderOf(const std::string& nativePath)
{
    std::string folder, name;
    SplitNative(nativePath, folder, name);
    ForgetFolder(folder);
}

void BeginOwnChanges(const std::string& folder)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    if (Folder* f = Indexed(ix, folder))
        ++f->busy;
}

void EndOwnChanges(const std::string& folder, bool ending)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    Folder* indexed = Indexed(ix, folder);
    if (!indexed)
        return;
    Folder& f = *indexed;
    if (ending && f.busy > 0)
        --f.busy;
    if (f.busy > 0 || !f.pending)
        return;
    struct stat st;
    const int rc = f.fd >= 0 ? fstat(f.fd, &st) : stat(folder.empty() ? "." : folder.c_str(), &st);
    if (rc == 0 && st.st_dev == f.dev && st.st_ino == f.ino) {
        f.mtime = Nanos(st.st_mtim);
        f.pending = false;
        f.racy = false; // the run's own window, which takes what changed in it
    } else {
        Drop(ix, folder);
    }
}

bool SyncIndexedFolder(const std::string& folder, bool (*sync)(int fd), bool& ok)
{
    Index& ix = TheIndex();
    std::lock_guard<std::mutex> g(ix.lock);
    Folder* indexed = Indexed(ix, folder);
    if (!indexed)
        return false;
    Folder& f = *indexed;
    if (f.fd < 0) {
        f.fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        if (f.fd >= 0 && (fstat(f.fd, &st) != 0 || st.st_dev != f.dev || st.st_ino != f.ino)) {
            close(f.fd);
            f.fd = -1;
        }
        if (f.fd < 0)
            return false;
    }
    ok = sync(f.fd);
    return true;
}

} // namespace posix
} // namespace platform
