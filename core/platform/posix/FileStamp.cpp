// The identity, size and nanosecond write time of a file, to tell whether it changed.
#include "Platform.h"

#include <sys/stat.h>

namespace platform {

bool GetFileStamp(const std::string& nativePath, FileStamp& out)
{
    struct stat st;
    if (nativePath.empty() || stat(nativePath.c_str(), &st) != 0)
        return false;
    out.device = (unsigned long long)st.st_dev;
    out.inode = (unsigned long long)st.st_ino;
    out.size = (long long)st.st_size;
    out.modifiedNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

} // namespace platform
