// Helpers shared by the test programs: the per-test folder and small file utilities.
#ifndef TALVEX_TESTSUPPORT_H
#define TALVEX_TESTSUPPORT_H

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

/// True in the Windows build, where only '\' separates the elements of a path.
#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

/// The test's own temporary folder, a native path (its "work" sub-folder is the current
/// directory when the test starts).
const std::string& TestDir();

/// The path with every '/' turned into the native separator ('\' on Windows), so that one
/// text names the same file in both builds.
std::string Native(const std::string& path);

/// A file named after the running test, with `extension`, in its work folder (native path).
std::string OwnTestFile(const std::string& extension);

/// The per-user Talvex folder of the running test (GetUserPath() after CoreInit).
std::string UserFolder();

/// Value of an environment variable; empty when unset.
std::string GetEnv(const char* name);

/// Sets an environment variable for this process and the programs it starts.
void SetEnv(const char* name, const std::string& value);

/// Whole file as bytes; empty when the file is missing.
std::string ReadBytes(const std::string& path);

/// Creates or replaces a file with exactly these bytes (parent folders are created).
void WriteBytes(const std::string& path, const std::string& bytes);

/// True when a file or folder of that exact name exists.
bool Exists(const std::string& path);

/// Little-endian bytes of a value, for building fixture files.
template <class T> std::string LE(T v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

/// The full path of the running test program.
std::string ProgramFile();

/// Sets a file's last-write (and last-access) time, in seconds since 1970.
void SetFileTime(const std::string& path, long long seconds);

/// A file's last-write time in nanoseconds since 1970; 0 when it cannot be read.
long long WriteTimeNs(const std::string& path);

/// Sets a file's last-write time, in nanoseconds since 1970 (Windows keeps 100 ns steps).
void SetWriteTimeNs(const std::string& path, long long ns);

/// The smallest step of a file time the file system keeps, in nanoseconds.
constexpr long long kFileTimeStepNs = kWindows ? 100 : 1;

/// The file extension of a loadable module.
constexpr const char* kModuleExtension = kWindows ? ".dll" : ".so";

/// True while the module file is loaded in this process.
bool ModuleLoaded(const std::string& file);

/// True while the running test is the first of its process, so that the library's
/// process-wide state is still as it was loaded. (Natively every test has a process of its own;
/// on Windows a test program runs all its tests in one.)
bool FreshProcess();

#if !defined(_WIN32)
/// Runs `f` in a forked child, as the user nobody when `unprivileged` and this process is root
/// (root would read and write past the permission bits a test is about); true when `f`
/// returned true. The test folder is opened to others so that nobody can reach its files.
bool InChild(bool unprivileged, const std::function<bool()>& f);

/// Makes the file write-only to the user InChild(true, ...) runs as (its owner when this
/// process is root), in a folder open to all; false when the bits cannot be set.
bool MakeUnreadable(const std::string& path);
#endif

/// Everything `f` writes to standard output.
std::string CaptureStdout(const std::function<void()>& f);

/// The role this process was started for by ChildProcess; empty in a test program's own run.
std::string ChildRole();

/// This test program started again to run only the current test, in the same test folder and
/// environment, with ChildRole() giving `role`: the test body plays that role and exits.
class ChildProcess {
public:
    explicit ChildProcess(const std::string& role);
    ~ChildProcess(); ///< kills the child when it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return handle_ != 0; }
    /// Waits for the end; the exit status (-1 when it did not start or was killed).
    int Wait();
    /// Ends the child at once, wherever it is.
    void Kill();

private:
    long long handle_ = 0;
};

/// Runs the current test again in `n` child processes at once (ChildProcess), with the roles
/// role + "0" to role + "<n-1>"; true when every one of them exited with status 0.
bool RunChildren(const std::string& role, int n);

/// In a child of RunChildren(role, n): its number, 0 to n-1; -1 in any other process.
int ChildIndex(const std::string& role);

} // namespace testsupport

#endif
