// Drive letters of Windows paths: the native folders they stand for (internal).
#ifndef TALVEX_DRIVES_P_H
#define TALVEX_DRIVES_P_H

#include <string>

/// Native folder that drive `letter` (upper case) stands for; empty when it is not mapped.
std::string MappedDriveRoot(char letter);

#endif
