// Drive letters of Windows paths, mapped onto native folders for the platform layer.
#include "Drives_p.h"
#include "Platform.h"

std::string MappedDriveRoot(char)
{
    return {};
}

namespace {

// Installed when the library is loaded, so that every path lookup sees the drive map.
const bool g_installed = (platform::SetDriveLookup(&MappedDriveRoot), true);

} // namespace
