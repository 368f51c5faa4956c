// This computer's share table (the registry) and the remote names of network drives.
#include "Platform.h"
#include "Win32_p.h"

#include <winnetwk.h>

namespace platform {

namespace {

const char kSharesKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";

// The local folder of a share: its entries are NUL-separated "key=value" texts; the folder is
// the value of the entry whose key is "Path". False when there is none, or when the value
// has no closing separator.
bool ShareFolder(const char* data, std::size_t length, std::string& folder)
{
    std::string entries(data, length);
    for (std::size_t start = 0; start < entries.size();) {
        std::size_t end = entries.find('\0', start);
        if (end == std::string::npos)
            return false;
        if (entries.compare(start, 5, "Path=") == 0) {
            folder = entries.substr(start + 5, end - start - 5);
            return !folder.empty();
        }
        start = end + 1;
    }
    return false;
}

} // namespace

std::vector<Share> ShareTable()
{
    std::vector<Share> shares;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return shares;
    for (DWORD index = 0;; ++index) {
        char name[501];
        BYTE data[1001];
        DWORD nameLen = sizeof name - 1, dataLen = sizeof data - 1, type = 0;
        LONG rc = RegEnumValueA(key, index, name, &nameLen, nullptr, &type, data, &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        // A value too long for a share, or of another kind, is skipped, not the whole table.
        if (rc != ERROR_SUCCESS || (type != REG_MULTI_SZ && type != REG_SZ))
            continue;
        Share s;
        s.name.assign(name, nameLen);
        if (!s.name.empty() && ShareFolder((const char*)data, dataLen, s.folder))
            shares.push_back(s);
    }
    RegCloseKey(key);
    return shares;
}

// Network shares are reached through drive letters and \\server\share here.
std::vector<NetworkMount> MountTable()
{
    return {};
}

std::string NetworkDriveRemote(char letter)
{
    char drive[3] = {letter, ':', '\0'};
    char remote[520];
    DWORD length = sizeof remote;
    if (WNetGetConnectionA(drive, remote, &length) != NO_ERROR)
        return {};
    return remote;
}

} // namespace platform
