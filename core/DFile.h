// DFile: an open file with block, string-record and line I/O, and whole-file text helpers.
#ifndef TALVEX_DFILE_H
#define TALVEX_DFILE_H

#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "TalvexApi.h"

#include <string>

/// One open file. Copies share the stream: closing any copy closes it for all of them, and the
/// last copy to go away closes it if nobody did.
///
/// Flags: 1 read, 2 write, 4 binary; valid sets are 1 "r", 3 "r+", 2 "w", 5 "rb", 7 "r+b",
/// 6 "wb". DFile is the one door of the library's file I/O: the path is resolved once and every
/// write below goes through it. Opening with 2 or 6 (create or truncate) writes a temporary
/// file beside the target that replaces the target only when Close succeeds: flushed, synced,
/// renamed over the target, folder synced (Windows: flushed and moved write-through), so that
/// nobody ever sees a half-written file and a power cut leaves the old or the new file. There
/// is no in-place fallback: where no temporary file can be made, or the target is read-only
/// (no write permission; the Windows read-only attribute), Open fails and the target keeps
/// every byte. Only regular files open; FIFOs and devices are refused without blocking.
/// Failed writes are reported (ReportFailure: the file and the system's reason).
class TALVEX_API DFile {
public:
    DFile();
    DFile(const DFile& other);
    DFile& operator=(const DFile& other);
    ~DFile();

    /// Closes any open stream, then opens `path` (Windows or native syntax); false on failure,
    /// the file then stays closed.
    bool Open(DString path, int flags);
    /// Flushes, syncs and closes; a create/truncate write then replaces its target. False, and
    /// reported, when something written did not reach the disk (the old target is kept).
    bool Close();
    /// Flushes what was written and syncs it to the disk (as the durability setting says);
    /// false when any write so far failed. In-place updates sync their data with it before
    /// they patch the header that counts the data.
    bool Sync();
    /// Cuts the file back to `length` bytes and syncs that: an in-place update that fell
    /// short puts the file back to its old length. The first failure stays the one reported.
    bool Truncate(__int64 length);
    /// True when a write since Open fell short (Close will then fail).
    bool Failed() const;

    bool IsOpen() const;
    /// The stream's end-of-file indicator.
    bool IsEOF() const;
    /// Byte position from the start; -1 when closed.
    __int64 Tell() const;
    /// Bytes in the file (what is written through this stream included; for a read-only
    /// stream, as the open found it); -1 when closed. The position is kept.
    __int64 Length() const;
    void SeekAbs(__int64 pos);
    void SeekRel(__int64 delta);

    /// Reads up to `n` bytes; a short read leaves the rest of `buf` as it was.
    void BRead(void* buf, int n);
    void BWrite(const void* buf, int n);
    /// One formatted read (scanf rules) of `fmt` into `p`.
    void ARead(const DString& fmt, void* p);

    /// Writes a string record: width 4 and 2 put a little-endian length first (the 2-byte form
    /// holds at most 32767 bytes; longer text is cut), any other width writes the bytes alone.
    void DSWrite(const DString& s, int width);
    /// Reads a 2-byte (`shortForm`) or 4-byte length and that many bytes into `s`; a length
    /// below 1 leaves `s` unchanged; a length past the end takes the bytes that are there.
    void DSRead(DString& s, bool shortForm);

    /// Reads one line of at most maxLen - 2 bytes (longer lines come in pieces), without its
    /// LF and then one CR; empty at end of file.
    void ReadLine(DString& line, int maxLen);
    /// ReadLine, then the line split at `delim`.
    void ReadLineArray(DStringArray& fields, int maxLen, const char* delim);

    /// The whole file; empty when missing, empty or unreadable.
    static DString GetText(const DString& path);
    /// The file's lines (LF or CR LF); empty when missing.
    static void GetLines(const DString& path, DStringArray& lines);
    /// One row per line, split at `delim`; columns from the widest of the first 100 lines.
    static void GetArray(const DString& path, DStringArray& table, const char* delim);
    /// One array of fields per line, split at `delim`.
    static void GetStringTable(const DString& path, DArray<DStringArray, 1>& table,
                               const char* delim);
    /// Replaces the file with `text`; false when it cannot be written.
    static bool WriteText(const DString& path, DString text);
    /// Appends `line` and CR LF, creating the file if needed; false when that fails.
    static bool WriteLine(const DString& path, const DString& line);
    /// Replaces the file with the lines joined by CR LF (no final CR LF).
    static bool WriteLines(const DString& path, const DStringArray& lines);
    /// Replaces the file with the table: fields joined by `delim`, rows by CR LF.
    static bool WriteArray(const DString& path, const DStringArray& table, const char* delim);
    /// Copies `from` over `to`; true only when the whole file was copied.
    static bool CopyLargeFile(const DString& from, const DString& to);

private:
    struct Stream;
    void Release();
    bool OpenNative(const std::string& native, int flags);
    friend bool OpenResolved(DFile& f, const std::string& native, int flags);
    friend bool ReplacesExisting(const DFile& f);
    friend void Abandon(DFile& f);

    Stream* d;
};

#endif
