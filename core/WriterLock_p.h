// WriterLock: holds the writer lock of one file for the life of a scope (internal).
#ifndef TALVEX_WRITERLOCK_P_H
#define TALVEX_WRITERLOCK_P_H

#include "DString.h"

#include <string>

/// While it lives, no other process holds the writer lock of the same file: every writer that
/// re-reads a shared file and writes it back holds one from the read to the end of the write,
/// so that concurrent writers (several processes, several hosts on one network folder) take
/// turns. Nested locks of one file in one process are fine. Where no lock can be had (a folder
/// that cannot hold the hidden lock file) the scope runs unlocked, as writers did before. A
/// holder that keeps the lock past the lock timeout ([Files] LockTimeout of the program
/// settings file, 30 s by default) makes the wait fail: TimedOut(), reported with the file and
/// the holder; the writer must then fail without writing.
class WriterLock {
public:
    /// `path` is the file to be written, in Windows or native syntax, with its extension.
    explicit WriterLock(const DString& path);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    /// True when the lock is held (false: running unlocked).
    bool Held() const { return handle >= 0; }
    /// True when another holder kept the lock past the timeout (already reported).
    bool TimedOut() const;
    /// The file's native path, resolved for writing; empty when it does not resolve. Writers
    /// open this, so that the path is looked up once per operation.
    const std::string& Native() const { return native; }

private:
    int handle;
    std::string native;
};

#endif
