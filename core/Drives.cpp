// Drive letters of Windows paths, mapped onto native folders through the settings file.
#include "Drives_p.h"

#include "Core.h"
#include "Platform.h"

// Key <letter> of section Drives of the program settings file. Read without selecting the
// section, so that a lookup never moves StIni's current section; while Silent there is no
// settings file and no drive resolves.
std::string MappedDriveRoot(char letter)
{
    if (Silent)
        return std::string();
    const DStringArray lines = StIni.GetFullSection("Drives");
    const char lower = char(letter - 'A' + 'a');
    for (int i = 0; i < lines.Count(); ++i) {
        const DString& line = lines[i];
        if (line.Len() > 2 && line[1] == '=' && (line[0] == letter || line[0] == lower))
            return std::string(line.c_str() + 2, size_t(line.Len() - 2));
    }
    return std::string();
}

namespace {

// Installed when the library is loaded, so that every path lookup sees the drive map.
const bool g_installed = (platform::SetDriveLookup(&MappedDriveRoot), true);

} // namespace
