// Session: the experiment a command works on, its shots and the data objects of a shot.
#ifndef TALVEX_CLI_SESSION_H
#define TALVEX_CLI_SESSION_H

#include "CommandLine.h"
#include "DString.h"
#include "DataPtr.h"

#include <string>
#include <vector>

namespace cli {

/// One shot: its real name (the letter case of its folder) and its group.
struct ShotRef {
    DString name;
    int group = 0;
    /// Seconds since 1970 as a set of shots gave it; 0 when unknown or not read.
    long long date = 0;
    /// False when the set was selected without dates: ShotDate reads it when asked.
    bool dated = true;
    /// The set's date is its folder's (shot lists and ranges), not its Scalars.ini's.
    bool folderDate = false;
};

/// The date of a shot as its set gives it (ShotRef::date), read now when it was not.
long long ShotDate(const ShotRef& shot);

/// Starts the core, installs the error sink and selects the experiment folder: -e DIR, else
/// $TALVEX_EXPERIMENT, else the current folder. Fails when the folder does not exist, and when
/// it holds neither `<name>.ini` nor a Shots folder, unless plainFolderAllowed and the folder
/// was named explicitly (so that a stray command never makes the current folder an experiment).
void OpenExperiment(const CommandLine& cl, bool plainFolderAllowed = false);

/// The selected experiment folder, for messages.
std::string ExperimentShown();

/// True for a name that can be a shot's folder name: not empty, none of the characters that
/// shot names refuse, no separator or control character, not "." or "..".
bool IsShotName(const DString& name);

/// Fails unless name is a shot name; what says what the name is for.
void CheckShotName(const std::string& name, const char* what);

/// Makes the named shot (any letter case) current and returns it; fails when the experiment
/// has no such shot.
ShotRef UseShot(const std::string& name);

/// A field of the current shot; empty, without the core creating or waiting for the field
/// file, when the shot has no fields at all.
DString CurrentField(const char* name);

/// One field of a shot as its file holds it.
struct Field {
    std::string name;
    std::string value;
};

/// The fields of the current shot in file order; the first of duplicate names wins, as it
/// does for every reader.
std::vector<Field> CurrentFields();

/// A data object of the current shot (or of the shot its data name names).
struct DataRef {
    std::string name; ///< the data name as given
    DString file;     ///< its file without extension
    DataType kind = DTNone;
};

/// The kind's name as the tool shows it.
const char* KindName(DataType kind);
/// The kind's file extension, with its dot.
const char* KindExtension(DataType kind);
/// The kind a file extension (with its dot, any case) stands for; DTNone when none.
DataType KindOfExtension(const std::string& ext);

/// Resolves a data name of the current shot. A name ending in a data file's extension picks
/// that kind; otherwise the first kind with a file wins, in the order waveform, matrix,
/// particle group, geometry. Fails when no such object exists.
DataRef FindData(const std::string& name);

/// A date as ISO 8601 local time, "2026-12-08 14:03:11": a text in the form the library stores
/// dates ("12/08/2026 14:03:11") is converted, any other text is shown as it is.
std::string IsoDate(const DString& stored);
/// Seconds since 1970 as ISO 8601 local time; empty when 0 or out of range.
std::string IsoDate(long long seconds);

/// The value printed with a printf format for a double.
std::string Number(double v, const char* fmt = "%.8g");

} // namespace cli

#endif
