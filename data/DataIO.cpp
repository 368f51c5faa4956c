// Bounded little-endian reading and block writing for the binary data files.
#include "DataIO_p.h"

#include "Platform.h"

#include <climits>
#include <cstring>

namespace dataio {

namespace {
// Largest block handed to one BRead/BWrite call (their counts are int).
const long long MaxCall = 1LL << 30;
} // namespace

Reader::Reader(DFile& f) : file(f), pos(f.Tell()), length(FileLength(f))
{
    if (pos < 0 || length < pos)
        length = pos = 0;
}

void Reader::ReadAhead(int n)
{
    leaveWindow();
    long long const take = n < Left() ? n : Left();
    window.resize(size_t(take));
    windowAt = pos;
    if (take > 0)
        file.BRead(&window[0], int(take));
    if (take > 0 && file.Tell() != pos + take) { // a short read: read as without a window
        window.clear();
        file.SeekAbs(pos);
    }
}

bool Reader::fromWindow(void* buf, long long n)
{
    long long const end = windowAt + static_cast<long long>(window.size());
    if (window.empty() || pos < windowAt || pos + n > end)
        return false;
    if (n > 0)
        std::memcpy(buf, window.data() + (pos - windowAt), size_t(n));
    pos += n;
    return true;
}

void Reader::leaveWindow()
{
    if (window.empty())
        return;
    window.clear();
    file.SeekAbs(pos);
}

bool Reader::Bytes(void* buf, long long n)
{
    if (n < 0 || n > Left())
        return false;
    if (fromWindow(buf, n))
        return true;
    leaveWindow();
    char* p = static_cast<char*>(buf);
    for (long long done = 0; done < n;) {
        long long const chunk = n - done < MaxCall ? n - done : MaxCall;
        file.BRead(p + done, int(chunk));
        done += chunk;
    }
    pos += n;
    // The file may have shrunk since it was measured: a short read is a failed read.
    return n == 0 || file.Tell() == pos;
}

bool Reader::Int(int& v)
{
    return Bytes(&v, sizeof v);
}

bool Reader::Float(float& v)
{
    return Bytes(&v, sizeof v);
}

bool Reader::Skip(long long n)
{
    if (n < 0 || n > Left())
        return false;
    return Seek(pos + n);
}

bool Reader::Seek(long long at)
{
    if (at < 0 || at > length)
        return false;
    pos = at;
    long long const end = windowAt + static_cast<long long>(window.size());
    if (window.empty() || pos < windowAt || pos > end) {
        window.clear();
        file.SeekAbs(pos);
    }
    return true;
}

bool Reader::Text(DString& s)
{
    int n = 0;
    if (!Int(n) || n < 0 || n > Left())
        return false;
    if (n == 0)
        return true;
    DString text;
    if (!Bytes(text.GetBuffer(n), n))
        return false;
    s = text;
    return true;
}

long long FileLength(DFile& file)
{
    return file.Length();
}

void PutInt(DFile& file, int v)
{
    file.BWrite(&v, sizeof v);
}

void PutFloat(DFile& file, float v)
{
    file.BWrite(&v, sizeof v);
}

void PutBytes(DFile& file, void const* buf, long long n)
{
    char const* p = static_cast<char const*>(buf);
    for (long long done = 0; done < n;) {
        long long const chunk = n - done < MaxCall ? n - done : MaxCall;
        file.BWrite(p + done, int(chunk));
        done += chunk;
    }
}

void PutText(DFile& file, DString const& s)
{
    file.DSWrite(s, 4);
}

bool IsFile(std::string const& native)
{
    platform::FoundEntry entry;
    return !native.empty() && platform::StatPath(native, entry) && !entry.folder;
}

bool CutBack(DFile& file, long long length, long long headerPos, void const* header, int n)
{
    if (header && headerPos >= 0) {
        file.SeekAbs(headerPos);
        file.BWrite(header, n);
    }
    file.Truncate(length);
    return false;
}

} // namespace dataio
