// The platform layer: the only place that calls the operating system (internal to the library).
#ifndef TALVEX_PLATFORM_H
#define TALVEX_PLATFORM_H

#include <cstdio>
#include <string>
#include <vector>

// Callers pass and receive plain bytes, ints and std types only, so that the POSIX and the
// Win32 implementations share this one interface. "Caller syntax" below means a path as the
// system's callers write it: Windows syntax (backslashes, drive letters, \\server\share) or a
// native path; both '\' and '/' separate elements. "Native" means a path the operating system
// opens as it is (the result of ToNative).
namespace platform {

// ---- Conventions of this system ----------------------------------------------------------------

/// True on Windows, where callers' paths are native as written: only '\' separates elements,
/// and drive letters and \\server\share are the operating system's own.
#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

/// The separator of native paths ('\' on Windows, '/' elsewhere).
constexpr char kNativeSeparator = kWindows ? '\\' : '/';

/// True for a character that separates path elements by the system's path rules: '\' on
/// Windows; '\' and '/' elsewhere, where '/' is the native separator.
constexpr bool IsPathSeparator(char c)
{
    return c == '\\' || (!kWindows && c == '/');
}

/// The file extension of a loadable module: ".dll" on Windows, ".so" elsewhere.
constexpr const char* kModuleExtension = kWindows ? ".dll" : ".so";

// ---- Clock -----------------------------------------------------------------------------------

/// Seconds of a monotonic clock; only differences between two calls mean anything.
double MonotonicSeconds();

/// Suspends the calling thread; a negative or zero time returns at once.
void SleepMilliseconds(int ms);

// ---- Path mapping ------------------------------------------------------------------------------

/// Maps a caller-syntax path onto a native one, looking every element up as Windows does: an
/// element missing under its exact name is matched ignoring ASCII case (among several variants
/// the first in case-insensitive order, then byte order). With forWrite false every element
/// must exist; with forWrite true the last one may be missing (an existing case variant of it
/// is used). Wildcards are not expanded. Empty: the path does not resolve (an unmapped drive,
/// an unknown share, a missing folder, an empty path).
std::string ToNative(const std::string& path, bool forWrite);

/// Native folder that drive `letter` (upper case) stands for; empty when it is not mapped.
typedef std::string (*DriveLookup)(char letter);

/// Installs the drive-letter map that ToNative consults (null: no drive resolves).
void SetDriveLookup(DriveLookup lookup);

/// True when `name` matches `pattern` as the Windows directory search matches: '*' any run,
/// '?' one character, ASCII case ignored; a final ".*" also matches a name without a '.', so
/// "*.*" matches every name.
bool WildcardMatch(const std::string& pattern, const std::string& name);

/// True when the last element of a caller-syntax path holds '*' or '?'.
bool HasWildcard(const std::string& path);

/// One match of the directory search.
struct FoundEntry {
    std::string name;       ///< the entry's real name (no folder)
    bool folder = false;    ///< a folder, or a symbolic link to one
    long long size = 0;     ///< bytes
    long long created = 0;  ///< seconds since 1970: birth time where the file system keeps it,
                            ///< else the last status change
    long long modified = 0; ///< seconds since 1970: last write
};

/// The directory search: the matches of the last element of a caller-syntax path (which may
/// hold wildcards) in its folder, in search order (case-insensitive name order, then byte
/// order). A name without wildcards gives at most one match (its real-case entry). Wildcards
/// never match "." and "..", nor names beginning with '.' unless the pattern begins with '.'.
/// `folderText`, when given, receives the caller's text before the last element with every
/// folder element rewritten to its real case (separators and root as the caller wrote them).
/// With `kindOnly` the entries may carry their name and folder flag alone (size and times 0):
/// where the folder listing tells an entry's kind, nothing else is asked of the file system.
std::vector<FoundEntry> FindEntries(const std::string& path, std::string* folderText = nullptr,
                                    bool kindOnly = false);

/// Facts about one native path (symbolic links followed); false when it does not exist.
bool StatPath(const std::string& nativePath, FoundEntry& out);

/// A native folder held open so that many paths below it are looked up without walking the
/// folder's own path each time. A folder that cannot be opened is looked up through the
/// joined path instead.
class FolderScope {
public:
    explicit FolderScope(const std::string& nativeFolder);
    ~FolderScope();
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;

    /// StatPath of `name` inside sub-folder `sub` of the folder, or of `sub` itself when `name`
    /// is empty (native names, exact case).
    bool Stat(const std::string& sub, const std::string& name, FoundEntry& out) const;

private:
    std::string folder;
    int fd = -1;
};

/// What tells one version of a file from another: which file it is, its size and the time of
/// its last write to the nanosecond. Equal stamps mean "unchanged" as far as can be told.
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0; ///< nanoseconds since 1970
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size
               && modifiedNs == o.modifiedNs;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

/// The stamp of a native path (symbolic links followed); false when it cannot be read.
bool GetFileStamp(const std::string& nativePath, FileStamp& out);

// ---- Files and folders (native paths) ----------------------------------------------------------

/// The failure of the calling thread's last failed call of this layer: the system's error
/// number (errno; Windows errors are mapped to the matching errno) and the system's text for
/// it. Set by every file, folder and lock call below that fails; successful calls keep it.
struct Error {
    int code = 0;
    std::string text;
};
const Error& LastError();

/// Records `code` (an errno value) with the system's text, or with `text` when given.
void SetError(int code, const std::string& text = std::string());

/// How commits reach the disk. Full: every commit and append syncs its data and its folder
/// before it reports success. Normal and Off: the same atomic temporary file and rename, but
/// the syncs are left to the system (a power cut may lose the last commits, never tear one).
enum class SyncMode { Full, Normal, Off };
void SetSyncMode(SyncMode mode);
SyncMode GetSyncMode();

/// Opens a regular file as a C stream: mode "r", "r+", "w", "w+", "a", "a+" ('b' allowed;
/// "a" appends, atomically per write where the system allows). Never blocks on a FIFO or a
/// device: null for a folder and for anything that is not a regular file, with LastError set.
std::FILE* OpenStream(const std::string& nativePath, const char* mode);

/// Writes all `n` bytes to the stream; false (LastError set) when they did not all go.
bool WriteStream(std::FILE* f, const void* buf, std::size_t n);

/// Flushes the stream and, in SyncMode Full, syncs the file's data to the disk.
bool SyncStream(std::FILE* f);

/// Cuts the file of the stream back to `length` bytes (flushing it first) and syncs that.
bool TruncateStream(std::FILE* f, long long length);

/// Bytes in the file of a stream opened for reading only, without moving it; -1 when unknown.
long long ReadStreamLength(std::FILE* f);

/// A regular file open for reading only, read at explicit offsets: the system's handle (a
/// descriptor; a HANDLE on Windows) and the file's size when it was opened, so that a reader
/// needs no other call to learn either.
struct InputFile {
    long long handle = -1; ///< -1: not open
    long long size = 0;    ///< bytes
    bool IsOpen() const { return handle != -1; }
};

/// Opens a regular file for reading: one open and one status call. False (LastError set) for a
/// missing file, a folder and anything that is not a regular file, never blocking on a FIFO or
/// a device. Counted as an open by the fault switch once the file is found.
bool OpenInput(const std::string& nativePath, InputFile& out);

/// Reads up to `n` bytes at byte `offset` without moving any shared position: the bytes read
/// (fewer only at the end of the file, 0 past it), or -1 (LastError set) on failure.
long long ReadInput(const InputFile& f, long long offset, void* buf, std::size_t n);

/// Closes a file of OpenInput (nothing when it is not open) and marks it closed.
void CloseInput(InputFile& f);

/// Closes a stream; false when buffered bytes did not reach the file.
bool CloseStream(std::FILE* f);

/// True when the existing file at the native path may not be written by this process: no
/// write permission for it (for a privileged process: no write bit at all), the Windows
/// read-only attribute, or a read-only file system. False for a missing file.
bool IsReadOnly(const std::string& nativePath);

/// A new empty temporary file beside the target (beside the final target of a symbolic link)
/// whose name begins with '.'; empty (LastError set) when none can be made: the write then
/// fails, as nothing is ever written into the target in place.
std::string MakeTempBeside(const std::string& nativeTarget);

/// Renames the temporary file over the target (over a symbolic link's final target), giving
/// it the target's permission bits (a new target gets the default bits of a created file),
/// then syncs the folder (SyncMode Full; on Windows the move is a write-through move). The
/// caller has synced the temporary file. On a failed rename the temporary file is removed and
/// the target is unchanged; a failed folder sync leaves the new file in place and fails.
bool CommitTemp(const std::string& temp, const std::string& nativeTarget);

/// Removes a temporary file of MakeTempBeside (nothing for an empty name).
void DiscardTemp(const std::string& temp);

/// A whole-file replacement under way: its temporary file, the file it replaces (a symbolic
/// link's final target) and whether that file existed when the replacement began.
struct Replacement {
    std::string temp;
    std::string target;
    bool existed = false;
};

/// IsReadOnly, MakeTempBeside and the opening of the temporary file in one step that looks at
/// the target once: the new temporary file as a stream for reading and writing, or null
/// (LastError set) for a read-only target, a folder, or when no temporary file can be made.
/// `binary` false opens it in the system's text mode (Windows: CR LF line ends).
std::FILE* BeginReplace(const std::string& nativeTarget, bool binary, Replacement& r);

/// CommitTemp for a replacement of BeginReplace whose stream the caller has synced and closed;
/// DiscardTemp(r.temp) abandons one.
bool CommitReplace(const Replacement& r);

/// True when the native path is a folder (or a symbolic link to one).
bool IsFolder(const std::string& nativePath);

/// Creates one folder; true when the path is a folder afterwards.
bool MakeFolder(const std::string& nativePath);

/// What MakeNewFolder did.
enum class NewFolder { Created, Exists, Failed };

/// Creates one folder only when no entry of that name exists, so that of several processes
/// claiming one name exactly one gets Created. Exists: the name is taken (by a folder, a file
/// or a link); Failed: any other error (a missing parent included).
NewFolder MakeNewFolder(const std::string& nativePath);

/// Copies one file's bytes over `to` (replaced atomically through a synced temporary file),
/// keeping the source's permission bits and last-write time; false (LastError set) for a
/// folder, a read-only `to`, or on any failure (`to` then unchanged).
bool CopyFile(const std::string& from, const std::string& to);

/// Copies everything inside folder `from` into the existing folder `to`, sub-folders
/// included, overwriting files; symbolic links are copied as links. False when anything
/// failed, or when `to` is `from` or lies inside it.
bool CopyTree(const std::string& from, const std::string& to);

/// Removes one file or symbolic link (never a folder).
bool RemoveFile(const std::string& nativePath);

/// Removes a folder with all its contents, never following symbolic links (a link to a folder
/// is removed as a link). False when anything remains.
bool RemoveTree(const std::string& nativePath);

/// Renames a file or folder without replacing an existing `to`; moves across file systems by
/// copying. True on success.
bool Rename(const std::string& from, const std::string& to);

/// True when both native paths name the same existing file or folder.
bool SameFile(const std::string& a, const std::string& b);

// ---- Writer locks ------------------------------------------------------------------------------

/// Takes the writer lock of one file, waiting while another process holds it: a lock (fcntl;
/// LockFileEx on Windows) on the hidden lock file ".<name>.lock" beside the file (the name in
/// lower case; beside a symbolic link's final target), which exists only while the lock is held
/// or waited for (on Windows the system deletes it with its last handle). The system
/// releases the lock when its process ends, however it ends, so a killed writer leaves no
/// stale lock (at most a lock file that the next writer takes over). Re-entrant within a
/// process. The holder writes its process id and host into the lock file. Returns a handle for
/// ReleaseWriterLock; -1 when no lock can be had here (the folder cannot hold the lock file,
/// the file system keeps no locks): the caller goes on unlocked; kLockTimedOut when another
/// holder kept it past the lock timeout (LastError then names the lock file and the holder's
/// process and host where known): the caller must fail.
int AcquireWriterLock(const std::string& nativeTarget);

/// What AcquireWriterLock returns when the wait timed out.
constexpr int kLockTimedOut = -2;

/// How long AcquireWriterLock waits, in milliseconds (default 30000; negative: forever). The
/// environment variable TALVEX_LOCK_TIMEOUT (seconds) overrides it.
void SetLockTimeout(int ms);
int GetLockTimeout();

/// Releases one AcquireWriterLock (nothing for -1).
void ReleaseWriterLock(int handle);

// ---- Process facts -----------------------------------------------------------------------------

/// Full native path of the running executable (the host program); empty when unknown.
std::string ExecutablePath();

/// The process's current directory (native); empty when unknown.
std::string CurrentDirectory();

/// Changes the current directory; true on success.
bool SetCurrentDirectory(const std::string& nativePath);

/// The per-user data folder. Windows: %LOCALAPPDATA% when it is absolute, else the shell's
/// local application data folder. Elsewhere: $XDG_DATA_HOME when it is absolute, else
/// $HOME/.local/share, else the password database's home folder + /.local/share. Empty when
/// none is known.
std::string PerUserDataFolder();

/// This computer's network name: the host name up to its first '.'.
std::string HostName();

/// Value of an environment variable; empty when unset.
std::string GetEnv(const char* name);

// ---- Dynamic loading ---------------------------------------------------------------------------

/// Loads a shared library by native path; null on failure.
void* LoadLibrary(const std::string& nativePath);

/// Address of an exported symbol; null when missing or for a null handle.
void* GetSymbol(void* handle, const char* name);

/// Releases a library of LoadLibrary (nothing for null).
void FreeLibrary(void* handle);

// ---- Network names -----------------------------------------------------------------------------

/// One share of this computer: its name and its local (native) folder.
struct Share {
    std::string name;
    std::string folder;
};

/// This computer's shares in table order (Windows: the registry's share list; elsewhere the Samba
/// configuration file, or the file named by TALVEX_SMB_CONF); empty when it cannot be read.
std::vector<Share> ShareTable();

/// One mounted network share: //server/share[/subPath] mounted at mountPoint.
struct NetworkMount {
    std::string server;
    std::string share;
    std::vector<std::string> subPath; ///< elements below the share the mount starts at
    std::string mountPoint;
};

/// The mounted CIFS/SMB shares in table order (/proc/self/mounts, or the file named by
/// TALVEX_MOUNTS); empty when the table cannot be read, and always on Windows, whose mapped
/// network drives are found through NetworkDriveRemote.
std::vector<NetworkMount> MountTable();

/// The remote name (\\server\share...) that drive `letter` (upper case) is connected to;
/// empty when it is no connected network drive, and always where drive letters are not the
/// operating system's own.
std::string NetworkDriveRemote(char letter);

} // namespace platform

#endif
