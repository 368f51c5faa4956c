// The data cache: data objects held in memory by name, and the copy rules it imposes.
#include "Experiment.h"

// Every member but the cache: a cached object has exactly one owner, so copies never share it.
Experiment::Experiment(Experiment const& o)
    : Groups(o.Groups), Cues(o.Cues), ShotPaths(o.ShotPaths), Description(o.Description),
      ExperimentPath(o.ExperimentPath), ExperimentFolder(o.ExperimentFolder),
      ExperimentName(o.ExperimentName), ExperimentUNCFolder(o.ExperimentUNCFolder),
      CurrentGroup(o.CurrentGroup), ShotFolder(o.ShotFolder), ShotName(o.ShotName),
      SavedShotName(o.SavedShotName), SavedGroup(o.SavedGroup), ScalarsFileName(o.ScalarsFileName),
      ScalarCacheFileName(o.ScalarCacheFileName), ScalarsIni(o.ScalarsIni),
      ScalarCacheIni(o.ScalarCacheIni), PauseIO(o.PauseIO), heldWrites(o.heldWrites),
      newShotFields(o.newShotFields)
{
}

Experiment& Experiment::operator=(Experiment const& o)
{
    if (this == &o)
        return *this;
    Groups = o.Groups;
    Cues = o.Cues;
    ShotPaths = o.ShotPaths;
    Description = o.Description;
    ExperimentPath = o.ExperimentPath;
    ExperimentFolder = o.ExperimentFolder;
    ExperimentName = o.ExperimentName;
    ExperimentUNCFolder = o.ExperimentUNCFolder;
    CurrentGroup = o.CurrentGroup;
    ShotFolder = o.ShotFolder;
    ShotName = o.ShotName;
    SavedShotName = o.SavedShotName;
    SavedGroup = o.SavedGroup;
    ScalarsFileName = o.ScalarsFileName;
    ScalarCacheFileName = o.ScalarCacheFileName;
    ScalarsIni = o.ScalarsIni;
    ScalarCacheIni = o.ScalarCacheIni;
    PauseIO = o.PauseIO;
    heldWrites = o.heldWrites;
    newShotFields = o.newShotFields;
    return *this;
}

namespace {

/// Appends an entry holding a new empty object; false (and no entry) when none can be made.
bool AddEntry(DArray<DataPtr>& cache, DataType type)
{
    cache.AddBlank(1);
    cache.Last().AllocData(type);
    if (cache.Last().object)
        return true;
    cache.Remove(cache.Count() - 1, 1);
    return false;
}

} // namespace

void* Experiment::InitDataPtr(DString const& name, DataType type)
{
    if (!name || type == DTParticleGroup || !AddEntry(DataPtrs, type))
        return nullptr;
    DataPtrs.Last().name = name;
    return DataPtrs.Last().object;
}

void* Experiment::GetDataPtr(DString const& name, DataType type)
{
    if (~name && name[0] == '@' && type != DTParticleGroup) {
        for (int i = 0; i < DataPtrs.Count(); ++i) {
            if (DataPtrs[i].type == type && (DataPtrs[i].name %= name))
                return DataPtrs[i].object;
        }
        return nullptr;
    }
    if (!AddEntry(DataPtrs, type))
        return nullptr;
    DataPtr& entry = DataPtrs.Last();
    if (!name)
        return entry.object;
    DString const file = GetDataFileName(name);
    if (~file && entry.Read(file)) {
        entry.name = name;
        return entry.object;
    }
    DataPtrs.Remove(DataPtrs.Count() - 1, 1);
    return nullptr;
}

bool Experiment::ReleaseDataPtr(DString const& name, DataType type, void*& ptr)
{
    bool const writes = ~name && (name[0] != '@' || type == DTParticleGroup);
    void* const target = ptr;
    int i = 0;
    while (i < DataPtrs.Count()
           && !(target && DataPtrs[i].object == target && DataPtrs[i].type == type))
        ++i;
    if (i == DataPtrs.Count())
        return !writes; // a write was asked for an object the cache does not hold
    // ptr may be the entry's own field: clear it before the entry changes or goes away.
    ptr = nullptr;
    DataPtr& entry = DataPtrs[i];
    entry.object = target;
    if (~name && !writes) {
        entry.name = name;
        return true;
    }
    bool result = true;
    if (writes) {
        DString const file = GetDataFileName(name);
        result = ~file && entry.Write(file);
    }
    DataPtrs.Remove(i, 1);
    return result;
}

void Experiment::ClearDataPtrs()
{
    DataPtrs.Clear();
}
