// Drive letters of Windows paths: what they stand for (internal).
#ifndef TALVEX_DRIVES_P_H
#define TALVEX_DRIVES_P_H

#include <string>

/// Value of key <letter> (upper case) in section Drives of the program settings file, spaces
/// trimmed: a native folder ("/mnt/x") or a Windows path ("\\srv\share"). Empty when absent,
/// while Silent, and always on Windows, whose drive letters are the system's own.
std::string DriveMapping(char letter);

/// Native folder that drive `letter` (upper case) stands for; empty when it does not resolve.
std::string MappedDriveRoot(char letter);

#endif
