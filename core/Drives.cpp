// Drive letters of Windows paths, mapped onto native folders through the settings file.
#include "Drives_p.h"
#include "Core.h"
#include "Platform.h"

namespace {

// Drives mapped onto other drives may form a cycle (X=Y:\, Y=X:\); it must end.
int g_depth = 0;

} // namespace

// Read without selecting the section, so that a lookup never moves StIni's current section;
// while Silent there is no settings file and no drive resolves. Windows has drives of its own.
std::string DriveMapping(char letter)
{
    if (Silent || platform::kWindows)
        return std::string();
    const DStringArray lines = StIni.GetFullSection("Drives");
    const char lower = char(letter - 'A' + 'a');
    for (int i = 0; i < lines.Count(); ++i) {
        const DString& line = lines[i];
        if (line.Len() > 2 && line[1] == '=' && (line[0] == letter || line[0] == lower))
            return std::string(line.Mid(2).Trim().c_str());
    }
    return std::string();
}

std::string MappedDriveRoot(char letter)
{
    std::string value = DriveMapping(letter);
    if (value.empty() || value[0] == '/')
        return value;
    bool windows = value.size() >= 2 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
    if (!windows || g_depth >= 8)
        return std::string(); // a relative folder means nothing here
    ++g_depth;
    std::string native = platform::ToNative(value, false);
    --g_depth;
    return native;
}

namespace {

// Installed when the library is loaded, so that every path lookup sees the drive map.
const bool g_installed = (platform::SetDriveLookup(&MappedDriveRoot), true);

} // namespace
