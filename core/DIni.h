// DIni: an INI settings file held in memory and written back after every change.
#ifndef TALVEX_DINI_H
#define TALVEX_DINI_H

#include "DArray.h"
#include "DString.h"
#include "DStringArray.h"
#include "TalvexApi.h"

#include <string>

/// One settings file: [section] headers and raw lines (normally key=value), kept in file order.
/// Section names and keys compare without regard to ASCII case; the first of duplicates wins.
/// Every modifying call rewrites the whole file (an atomic replacement) unless writes are
/// held; a write that fails is logged and the memory copy stays as it is.
///
/// Files are shared between processes and hosts. A write to the object's own file holds the
/// file's writer lock from a fresh read of the file to the end of the write; when another
/// writer changed the file since this object last read or wrote it, the changes this object
/// holds (keys set and deleted, sections set, added, deleted and renamed) are applied to the
/// fresh content, which becomes the memory copy, so that no writer's keys are lost.
class TALVEX_API DIni {
public:
    DIni();
    /// As SetFileName(path).
    explicit DIni(const DString& path);
    DIni(const DIni& other);
    DIni& operator=(const DIni& other);
    ~DIni();

    /// Loads `path`, creating an empty file when it is missing (a file that reads empty is
    /// retried 10 times, 50 ms apart, unless it has been empty and unwritten for 2 seconds).
    /// False for an empty path or a file that cannot be made; false, reported, for a file that
    /// exists but cannot be read (memory is then empty and writes to the file are refused).
    bool SetFileName(const DString& path);
    /// Reads `path` for lookups only: no writer lock, nothing created, no retries. A missing or
    /// unreadable file holds no sections (false). No file name is kept: changes stay in memory.
    bool Load(const DString& path);
    /// Takes `text` as a file's content, as Load does.
    void LoadText(const DString& text);
    /// Loads the file again: no section selected, writes no longer held.
    bool Refresh();
    DString FileName() const;
    /// Writes every section to `path` (empty: the file name; none at all: nothing, true).
    /// With `keepName` false the object takes `path` as its file name. False when the file
    /// cannot be written. A write to the own file first takes in other writers' changes.
    bool WriteFile(DString path, bool keepName);
    /// While held, changes stay in memory; releasing a hold writes the file once.
    void HoldWrite(bool hold);
    /// Writes the file and takes what is on disk as the snapshot RestoreFile returns to.
    void CommitFile();
    /// Drops unsaved changes: back to the snapshot, which is written to the file as it is.
    void RestoreFile();
    /// True when the disk file differs from memory (order of sections and lines aside).
    bool Changed();

    /// Selects a section, appending an empty one (in memory) when there is none of that name.
    void SetSection(const DString& name);
    bool SectionExists(const DString& name) const;
    DStringArray GetSectionNames() const;
    int nSections() const;
    /// Lines of the current section; 0 when none is selected.
    int nKeys() const;
    /// The section's raw lines; empty when absent.
    DStringArray GetFullSection(const DString& name) const;
    /// Replaces the section's lines, or appends the section.
    void SetFullSection(const DString& name, const DStringArray& lines);
    /// As SetFullSection.
    void AddSection(const DString& name, const DStringArray& lines);
    /// Removes the section if present; no section is selected afterwards.
    void DeleteSection(const DString& name);
    /// Renames `from` when present (`to` is not checked for a clash).
    void RenameSection(const DString& from, const DString& to);

    /// Value of `key` in the current section; `def` when absent or empty.
    DString GetKeyValue(const DString& key, const char* def) const;
    /// Selects `section` (none when absent), then the value of `key` there, which may be
    /// empty; `def` when the section or the key is absent.
    DString GetSectionKeyValue(const DString& section, const DString& key, const char* def);
    /// The value of `key` in `section` as GetSectionKeyValue gives it, without selecting the
    /// section or making strings of its lines; false when the section or the key is absent.
    bool FindValue(const DString& section, const DString& key, DString& value) const;
    /// Integer value (an exponent is read as a double and truncated); `def` when absent or
    /// not a number.
    int GetKeyIntValue(const DString& key, int def) const;
    /// The value when it is wholly a number; `def` otherwise.
    float GetKeyFloatValue(const DString& key, float def) const;
    /// `def` when absent; otherwise true for "True" (any case) or "1", false for the rest.
    bool GetKeyBoolValue(const DString& key, bool def) const;
    /// GetKeyValue(key, def) split at `delim`, at least `n` fields.
    DStringArray GetKeyRow(const DString& key, int n, const char* delim, const char* def) const;
    /// Sets key=value in the current section (replacing the key's first line or appending).
    void SetKeyValue(const DString& key, const DString& value);
    /// Selects `section` (none when absent) and removes the key's line there.
    void DeleteKey(const char* section, const DString& key);

private:
    class SectionIndex;
    struct DiskState;
    class Journal;

    int FindSection(const DString& name) const;
    int AppendSection(const DString& name, const DStringArray& lines);
    void Parse(const char* text, int len, bool lazy);
    void Forget();
    void TakeText();
    DStringArray& Lines(int section) const;
    void RemoveSection(int at);
    int KeyIndex(const DString& key, int& valuePos) const;
    int KeyIndexIn(int section, const DString& key, int& valuePos) const;
    void WriteUnlessHeld();
    void InvalidateIndex();
    bool StampIsLastSeen(const DString& path) const;
    bool DiskUnchanged(const DString& path) const;
    void NoteShape();
    void NoteTail();

    bool Store(const DString& path, bool merge, bool keepName);
    int AppendInPlace(const DString& path);
    bool TakeInDiskChanges(const std::string& fresh);
    void Replay();
    Journal& Changes();
    void ForgetChanges();
    void PutKeyLine(int section, const DString& key, const DString& line);
    void PutSection(const DString& name, const DStringArray& lines);

    DString fileName;
    int curSection;
    DStringArray sectionNames;
    mutable DArray<DStringArray, 1> sections; // see Lines: filled when first used
    bool hold;
    mutable SectionIndex* index; // name -> first section of that name; rebuilt when stale
    DiskState* disk;             // what this object knows of its file; never null
    Journal* journal;            // changes since then, in order; null when there are none
};

#endif
