// Bounded little-endian reading and block writing for the binary data files (internal).
#ifndef TALVEX_DATAIO_P_H
#define TALVEX_DATAIO_P_H

#include "DFile.h"
#include "DFileNative_p.h"
#include "DString.h"
#include "WriterLock_p.h"

#include <string>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the data files are little-endian and are read and written as memory images"
#endif

namespace dataio {

/// What a data file's header takes, texts included, in all but unusual files: the window a
/// header is read ahead into.
const int HeaderBytes = 512;

/// Reads a file that is not trusted: every count is checked against the bytes that are really
/// left before anything is read or allocated, and a read that would pass the end fails.
class Reader {
public:
    /// Measures the open file and reads from its current position.
    explicit Reader(DFile& file);

    bool Int(int& v);
    bool Float(float& v);
    /// n bytes straight into buf, in as few reads as the file allows.
    bool Bytes(void* buf, long long n);
    bool Skip(long long n);
    /// A string record with a 4-byte length; a length of 0 leaves s as it was.
    bool Text(DString& s);
    /// Moves to an absolute position inside the file.
    bool Seek(long long pos);
    /// Reads up to n bytes ahead in one call and serves what follows from them: for a header
    /// read field by field over an unbuffered update stream, or a small file parsed twice.
    /// Past them the file is read again from the reader's position; until then the file's own
    /// position is past the window, so callers seek before using the file directly.
    void ReadAhead(int n);

    long long Pos() const { return pos; }
    /// The file's length when the reader was made.
    long long Length() const { return length; }
    long long Left() const { return length - pos; }

private:
    /// True, and the bytes taken, when [pos, pos + n) lies in the read-ahead window.
    bool fromWindow(void* buf, long long n);
    /// The file's position made the reader's again after reads from the window.
    void leaveWindow();

    DFile& file;
    long long pos;
    long long length;
    std::string window;
    long long windowAt = 0;
};

/// Bytes from the start of the open file to its end.
long long FileLength(DFile& file);

void PutInt(DFile& file, int v);
void PutFloat(DFile& file, float v);
/// n bytes in as few writes as the file allows.
void PutBytes(DFile& file, void const* buf, long long n);
/// A string record with a 4-byte length.
void PutText(DFile& file, DString const& s);

/// Undoes an in-place update that failed: writes `header` (n bytes) back at `headerPos` when
/// given, then cuts the file back to `length`. Always false, for `return CutBack(...)`; the
/// update's failure stays the one the file reports when it is closed.
bool CutBack(DFile& file, long long length, long long headerPos = -1, void const* header = nullptr,
             int n = 0);

/// Replaces the file at `native` (a path its caller's WriterLock resolved, so that it is not
/// looked up again) with what `put(DFile&)` writes into a new stream. The old bytes stay
/// unless `put` returns true and the new file is committed; failures are reported.
template <class Put> bool ReplaceResolved(std::string const& native, Put&& put)
{
    DFile file;
    if (!OpenResolved(file, native, 6))
        return false;
    if (!put(file)) {
        Abandon(file);
        return false;
    }
    return file.Close();
}

/// Writes the whole file `path` (with its extension) under its writer lock, its path resolved
/// once for the lock and the replacement; see ReplaceResolved.
template <class Put> bool WriteWhole(DString const& path, Put&& put)
{
    WriterLock lock(path);
    return !lock.TimedOut() && ReplaceResolved(lock.Native(), put);
}

/// True when the resolved path names a file (not a folder): one look at it.
bool IsFile(std::string const& native);

} // namespace dataio

#endif
