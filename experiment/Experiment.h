// Experiment: the selected experiment, its shot paths and cues, the current shot and its fields.
#ifndef TALVEX_EXPERIMENT_H
#define TALVEX_EXPERIMENT_H

#include "TalvexApi.h"
#include "DArray.h"
#include "DIni.h"
#include "DataPtr.h"
#include "DString.h"
#include "DStringArray.h"

namespace expt {
class FailureWatch;
}

/// One line of an experiment's [Groups] section: `<pattern>;<ignored>;<label>`.
struct TALVEX_API GroupName {
    /// Folder path, possibly with wildcards, absolute or relative to the experiment.
    DString Pattern;
    /// Kept for the caller, not interpreted.
    DString Label;
};

/// One line of an experiment's [ShotCreation] section: `<cue>=<folder>`.
struct TALVEX_API GroupCue {
    /// "*", "#", or a shot-name prefix.
    DString Cue;
    /// Shot path the folder names, or -1 when it is not one of the shot paths.
    int Group = -1;
};

/// The experiment that is selected, its shots and the current shot's fields. One instance,
/// `Expt`, serves the whole process; it is not thread-safe.
///
/// A shot `X` of group g lives in the folder `ShotPaths[g]` joined with `ShotX`. A shot
/// name is one folder-name element: names holding a path separator, and the names "." and
/// "..", are refused by every operation that would make or use their folder.
class TALVEX_API Experiment {
public:
    // Configuration (selected by SetExperimentFolder).
    DArray<GroupName> Groups;
    DArray<GroupCue> Cues;
    /// Index = group number; element 0 is `<folder>\Shots` once an experiment is open.
    DStringArray ShotPaths;
    DString Description;
    /// The folder that contains the experiment folder.
    DString ExperimentPath;
    /// The experiment folder exactly as it was selected.
    DString ExperimentFolder;
    DString ExperimentName;
    DString ExperimentUNCFolder;

    // The current shot.
    /// Group of the current shot; -1 when no experiment is open.
    int CurrentGroup = 0;
    DString ShotFolder;
    /// Empty when no shot is current.
    DString ShotName;
    DString SavedShotName;
    int SavedGroup = 0;

    // The current shot's fields.
    /// `<ShotFolder>\Scalars.ini`.
    DString ScalarsFileName;
    /// `<shot path>\ScalarCache.ini`, shared by all shots of the shot path.
    DString ScalarCacheFileName;
    /// Bound to Scalars.ini, section Fields.
    DIni ScalarsIni;
    /// Bound to ScalarCache.ini, section `Shot<ShotName>`.
    DIni ScalarCacheIni;
    /// Writes of both field files are held in memory (SetPauseIO).
    bool PauseIO = false;

    /// The data cache: objects held in memory, each with its kind and data name. The cache
    /// owns them until ReleaseDataPtr or ClearDataPtrs.
    DArray<DataPtr> DataPtrs;

    /// Version of the data formats written by this library.
    static const int CurDataVersion = 19;

    /// Answers for operand names of GetScalarData: true with a value for a name it knows.
    using ScalarLookup = bool (*)(DString const& name, float& value);

    Experiment() = default;
    /// Copies everything but the data cache: the copy starts with an empty cache, because
    /// every cached object has exactly one owner.
    Experiment(Experiment const& other);
    /// Assigns everything but the data cache, which stays this object's own.
    Experiment& operator=(Experiment const& other);
    /// Destroys the cached objects too.
    ~Experiment() = default;

    // Configuration.
    /// Selects an experiment folder (an empty one closes the experiment). Always true.
    bool SetExperimentFolder(DString const& folder);
    DString GetExperimentFolder();
    DString GetExperimentName();
    DString GetExperimentPath();
    DString GetExperimentUNCFolder();
    DString AppendExptPathElts(DString const& a);
    DString AppendExptPathElts(DString const& a, DString const& b);
    /// Absolute form of `.\x` (experiment folder), `..\x` (its parent) or a network path.
    DString FullPath(DString const& path);
    /// `.\x` or `..\x` for a path inside the experiment folder or its parent (always written
    /// with backslashes); otherwise the network form of the path.
    DString RelativePath(DString const& path);
    /// Shot path of the current group; empty when there is none.
    DString GetCurPath();
    int GetCurrentGroup();
    /// Writes section [LastRun] (Shot, ShotPath, Started) into the caller's settings file.
    void StampConfigFile(DIni& ini);

    // Shots.
    /// Creates the shot (or reuses it after a leading `*`, which is removed from name) and
    /// makes it current. Returns its group; -(g+1) when it exists in group g and may not be
    /// reused; -1 when no experiment is open or the name is not one folder name.
    int CreateShot(DString& name, DString const& comment = DString(), bool setDate = false);
    /// Makes a shot current; gnum < 0 searches the shot paths. False when no experiment is
    /// open, the group is invalid or the name is not one folder name.
    bool SetShot(DString name, int gnum = -1);
    /// Deletes the current shot's folder and cache section; the name stays current.
    bool DeleteShot();
    /// Renames the current shot; false (nothing changed) when there is none, the name is not
    /// one folder name, the target exists or the folder cannot be renamed.
    bool RenameShot(DString newName);
    void SetTempShot(DString const& name, int gnum = -1);
    void ResetShot();
    DString GetShotName();
    DString GetShotFolder();
    /// Current name with its trailing number moved by offset, zero-padded to its old width.
    DString GetOffsetShotName(int offset);
    /// True for an empty name or one without the characters refused by the chosen set.
    bool IsValidName(DString const& name, bool set = false);
    /// First group (the current one first) whose shot path holds `Shot<name>`; -1 if none.
    int GuessPathFromShot(DString& name);
    /// Group whose shot path is the given (experiment-relative or absolute) folder; -1 if none.
    int GetShotGroupNumber(DString const& path);
    /// Shot (before the last separator, else the current shot) and its group.
    int GetShotGNumFromFileName(DString const& fileName, DString& shot);
    /// `ShotPaths[g]`; empty when g is out of range.
    DString GetShotGroupPath(int g);

    // Shot lists and sets. A set is parallel arrays of shot names and groups (and dates:
    // seconds since 1970). A list name is one file name in the experiment's ShotLists folder.
    /// The shots of list file `<spec>.txt` (no ':' in spec) or of the range `A:B` in group
    /// gnum (negative: the group of the range's first shot), keeping only shots whose folders
    /// exist; dates, when given, get the shot folders' dates. Empty when nothing matches.
    void GetShotList(DString const& spec, int gnum, DStringArray& shots, DArray<int>& groups,
                     DArray<long long>* dates = nullptr);
    /// The shots of source "(Shot list)" (spec is a list name or a range), or of the shot path
    /// `source` (spec is a wildcard over shot names or a range; dates are those of the shots'
    /// Scalars.ini), keeping only shots holding dataFile (".wvf" added to a name without a
    /// '.'; empty or "*" keeps all).
    void GetShotSet(DString const& source, DString const& spec, DString dataFile,
                    DStringArray& shots, DArray<int>& groups, DArray<long long>* dates = nullptr);
    /// The fields `names` of every shot of a set as GetShotData would give them with the shot
    /// current, row by row: value k of shot i is values[i * names.Count() + k]. Each shot path's
    /// ScalarCache.ini is read once; a shot without a section there is read from its own
    /// Scalars.ini (nothing is created). A shot outside the shot paths gives empty values.
    void GetShotSetFields(DStringArray const& shots, DArray<int> const& groups,
                          DStringArray const& names, DStringArray& values);
    /// Writes list file `ShotLists\<name>` (name as given: no ".txt" added; the folder is
    /// created), one `<shot>;<relative shot path>` line per shot. Names that cannot be read
    /// back (empty, a path, ';' or a line break inside, a leading '"') are left out.
    void SaveShotList(DString const& name, DStringArray& shots, DArray<int>& groups);
    /// Reads list `file` (".txt" added unless present; a name without separators is a list
    /// name, anything else a path), adds the given shots not yet in it and saves the result as
    /// list `name`. A given shot already listed in the same group (or given twice) gets group
    /// -1 in the caller's array; lines whose shot path is no longer known are kept as they are.
    void MergeShotList(DString file, DString const& name, DStringArray& shots, DArray<int>& groups);

    // Backup.
    /// The backup folder (`[Backup] Path`, default `..\Backup`, created when missing), or the
    /// folder its BackupLocation.ini names. Empty when no experiment is open.
    DString GetBackupPath();
    /// Stores the backup folder, relative to the experiment, without a last element equal to
    /// the experiment's name.
    void SetBackupPath(DString path);
    /// A folder that does not exist yet to copy folder (empty: the current shot's) into: its
    /// path below ExperimentPath mirrored below the backup folder, with `_1`, `_2`, ... added
    /// while the name is taken. Not created; empty when there is no folder to back up.
    DString GetBackupShotFolder(DString folder = DString());
    /// Copies the current shot's folder into a backup folder that this call creates, so that
    /// no earlier backup is ever overwritten, not even by another process backing up at once.
    void BackupShot();

    // Labels.
    /// label with every `![expr]` or `![expr%format]` replaced: a text field by its text, else
    /// the value of expr in "%.8g" or the printf format (float), or "(undefined)". Brackets
    /// nest inside a reference; a reference without its closing bracket leaves the whole
    /// label unchanged.
    DString GetExpandedLabel(DString const& label);

    // Shot fields.
    /// A field of the current shot (`Shot` gives its name; `a::b` gives a, or b if a is
    /// empty); empty when missing or when no shot is current.
    DString GetShotData(DString const& name);
    /// Sets a field in Scalars.ini and the cache; an empty value removes it from both.
    void SetShotData(DString const& name, DString const& value);
    /// Sets a numeric field; names holding `\` address data objects.
    void SetScalarData(DString const& name, float value);
    /// Copies the shot's whole [Fields] section into its cache section.
    void SetShotCacheData();
    /// Holds (true) or writes and releases (false) the writes of both field files.
    void SetPauseIO(bool pause);
    /// s with `[field]` (bangOnly false) or `![field]` (true) replaced by the field's value;
    /// empty when any referenced field is empty.
    DString GetExpandedString(DString const& s, bool bangOnly = false);

    // Data names and the data cache.
    /// File name (no extension) of a data name: `<data>` in the current shot, `<shot>\<data>`,
    /// `.\x` and `..\x` beside the experiment, or an absolute path. Empty when the name
    /// cannot be resolved (unknown shot, no current shot, nothing left after expansion).
    DString GetDataFileName(DString name);
    /// Replaces a leading `>n\` or `<n\` (n defaults to 1) by the shot at that offset from
    /// the current one; a count that is not a number leaves the bare data name.
    DString CleanDataFileName(DString const& name);
    /// Appends the data names (no extension, `<shot>\` prefixed when the pattern names a
    /// shot) of the files matching pattern; clear empties names first. Names is untouched
    /// when the pattern names no shot that exists.
    void GetDataFileNames(DString const& pattern, DStringArray& names, bool clear);
    /// A new empty object of that kind, held by the cache under name. Null for an empty
    /// name, a particle group or a kind that cannot be made.
    void* InitDataPtr(DString const& name, DataType type);
    /// An `@` name: the cached object of that name and kind (null if none). Any other name:
    /// a new cached object read from its file (null, and no entry, when that fails); an
    /// empty name gives a new empty cached object.
    void* GetDataPtr(DString const& name, DataType type);
    /// Lets go of a cached object: an empty name destroys it, an `@` name keeps it cached
    /// under that name, any other name writes it to its file and destroys it. ptr becomes
    /// null. False when a write was asked and failed, or the name resolves to no file.
    bool ReleaseDataPtr(DString const& name, DataType type, void*& ptr);
    /// Destroys every cached object.
    void ClearDataPtrs();

    // Storage safety: names that the settings files store, and what a backup claimed.
    /// True when name can be a field's key in a settings file and read back as itself: not
    /// empty, no control character, none of `= [ ] \` nor `::`, no leading `;` and no blank at
    /// either end. Otherwise false, with the reason in `why` when given.
    static bool IsFieldName(DString const& name, DString* why = nullptr);
    /// True when value fits on its key's one line: no control character (CR, LF, NUL, ...).
    static bool IsFieldValue(DString const& value, DString* why = nullptr);
    /// True when name can be a shot's name: one folder-name element (no separator, not "."
    /// or "..") that a cache section header holds as itself (no control character, `[`, `]`
    /// or `=`). The empty name is refused.
    static bool IsStorableShotName(DString const& name, DString* why = nullptr);
    /// The folder that this object's last BackupShot created and filled; empty when that call
    /// made none or failed.
    DString GetLastBackupFolder() const { return lastBackupFolder; }

    // Expressions.
    /// Value of an expression over the current shot's fields and data objects; -DFMax when
    /// it has none. lookup, when given, is asked first for every operand name.
    float GetScalarData(DString expr, ScalarLookup lookup = nullptr);

private:
    /// Removes the current shot's folder and cache section after its creation failed.
    void DiscardNewShot();
    void BindScalars();
    void BindCache();
    void ReleasePause();
    int GroupForNewShot(DString const& shot) const;
    bool HasShotPath(int g) const { return g >= 0 && g < ShotPaths.Count(); }

    void SetDataMark(DString const& name, float value);

    // The stages of GetScalarData, from the loosest binding to the operand.
    float ParseInput(DString expr, ScalarLookup lookup);
    float ParseAddend(DString expr, ScalarLookup lookup);
    float ParseFactor(DString expr, ScalarLookup lookup);
    float ParsePower(DString expr, ScalarLookup lookup);
    float ParseSingle(DString expr, ScalarLookup lookup);
    bool ReplaceBrackets(DString& expr, ScalarLookup lookup, float& result);
    bool ReplaceParentheses(DString& expr, ScalarLookup lookup);
    float ParseChoices(DString const& expr, ScalarLookup lookup);
    float DataParam(DString const& data, DString const& param);
    DString FieldValue(DString const& name);
    DString LabelValue(DString inner);

    /// Set when the field file was read for the running evaluation (FieldValue).
    bool fieldsRead = false;
    /// The field file's text as FieldValue last read it, and that file's name.
    DString fieldsText;
    DString fieldsFile;
    /// Set when a field write was held by the running pause: its end has something to write.
    bool heldWrites = false;
    /// Set while a pause holds the fields of a shot that CreateShot made (HoldNewShotFields).
    bool newShotFields = false;
    void HoldNewShotFields();
    void WriteNewScalars();
    void DropUnwrittenShot(expt::FailureWatch const& watch);

    // Storage safety.
    bool RefuseUnsafeField(DString const& name, DString const& value);
    bool ShotFolderGone();
    bool BindForWrite();
    void WriteHeldFields();
    bool WriteMark(DString const& file, char digit, float value, bool& written);
    DString lastBackupFolder;
};

/// The process-wide experiment.
extern TALVEX_API Experiment Expt;

#endif
