// KnownNames: the field and data-object names of an experiment, for the expression checker.
#include "ExpressionCheck_p.h"

#include "DIni.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Paths.h"
#include "TraceParamTable.h"

namespace exprcheck {

namespace {

/// Shots whose folders are listed, beyond the current one, before a data name counts as unknown.
int const kShotsSearched = 50;

/// The keys of `key=value` lines.
void AddKeys(DStringArray const& lines, DStringArray& keys)
{
    for (int i = 0; i < lines.Count(); ++i) {
        int const eq = lines[i].Find('=');
        if (eq != int(npos) && eq > 0)
            keys.Add(lines[i].Left(eq).Trim());
    }
}

bool Holds(DStringArray const& names, DString const& name)
{
    for (int i = 0; i < names.Count(); ++i) {
        if (names[i] %= name)
            return true;
    }
    return false;
}

/// Shot paths without repeats.
DStringArray DistinctPaths(Experiment const& e)
{
    DStringArray paths;
    for (int g = 0; g < e.ShotPaths.Count(); ++g) {
        bool repeated = false;
        for (int h = 0; h < paths.Count(); ++h)
            repeated = repeated || PathsEqual(paths[h], e.ShotPaths[g]);
        if (!repeated)
            paths.Add(e.ShotPaths[g]);
    }
    return paths;
}

} // namespace

struct KnownNames::Impl {
    Experiment* e = nullptr;
    bool fieldsRead = false;
    DStringArray fields;
    bool currentRead = false;
    DStringArray current; ///< data names of the current shot
    bool othersRead = false;
    DStringArray others; ///< data names of other shots

    void ReadFields()
    {
        fieldsRead = true;
        DString own = e->ScalarsFileName;
        if (own.Len() > 0 && FileExists(own))
            AddKeys(DIni(own).GetFullSection("Fields"), fields);
        DStringArray const paths = DistinctPaths(*e);
        for (int i = 0; i < paths.Count(); ++i) {
            DString file = AppendPathElts(paths[i], "ScalarCache.ini");
            if (!FileExists(file))
                continue;
            DIni const cache(file);
            DStringArray const sections = cache.GetSectionNames();
            for (int k = 0; k < sections.Count(); ++k)
                AddKeys(cache.GetFullSection(sections[k]), fields);
        }
    }

    void ReadOthers()
    {
        othersRead = true;
        DStringArray const paths = DistinctPaths(*e);
        int listed = 0;
        for (int i = 0; i < paths.Count() && listed < kShotsSearched; ++i) {
            DStringArray shots;
            DArray<int> groups;
            e->GetShotSet(paths[i], "*", DString(), shots, groups);
            for (int k = 0; k < shots.Count() && listed < kShotsSearched; ++k, ++listed) {
                DStringArray names;
                e->GetDataFileNames(shots[k] + "\\*.*", names, true);
                for (int j = 0; j < names.Count(); ++j) {
                    DString folder, last;
                    SplitPathElts(names[j], folder, last);
                    others.Add(last);
                }
            }
        }
    }
};

KnownNames::KnownNames(Experiment* experiment) : impl(new Impl)
{
    impl->e = experiment && experiment->ShotPaths.Count() > 0 ? experiment : nullptr;
}

KnownNames::~KnownNames() = default;

bool KnownNames::HasField(DString const& name, DString& suggestion)
{
    if (!impl->e)
        return true;
    if (!impl->fieldsRead)
        impl->ReadFields();
    if (Holds(impl->fields, name))
        return true;
    suggestion = Closest(name, impl->fields);
    return false;
}

bool KnownNames::HasData(DString const& name, DString const& shot, DString& suggestion)
{
    if (!impl->e)
        return true;
    if (shot.Len() > 0) {
        DStringArray names;
        impl->e->GetDataFileNames(shot + "\\*.*", names, true);
        for (int j = 0; j < names.Count(); ++j) {
            DString folder, last;
            SplitPathElts(names[j], folder, last);
            if (last %= name)
                return true;
        }
    }
    if (!impl->currentRead) {
        impl->currentRead = true;
        impl->e->GetDataFileNames("*.*", impl->current, true);
    }
    if (Holds(impl->current, name))
        return true;
    if (!impl->othersRead)
        impl->ReadOthers();
    if (Holds(impl->others, name))
        return true;
    DStringArray all = impl->current;
    for (int i = 0; i < impl->others.Count(); ++i)
        all.Add(impl->others[i]);
    if (all.Count() == 0)
        return true; // no shot holds data: nothing to tell a typo from
    suggestion = Closest(name, all);
    return false;
}

unsigned KnownNames::DataKinds(DString const& name, DString const& shot)
{
    if (!impl->e)
        return 0;
    DString const base = impl->e->GetDataFileName(shot.Len() > 0 ? shot + "\\" + name : name);
    if (!base)
        return 0;
    struct Extension {
        char const* text;
        unsigned kinds;
    };
    static Extension const extensions[] = {
        {".wvf", ParamWaveform | ParamXY}, {".dmt", ParamMatrix}, {".dpt", ParamParticles}};
    unsigned kinds = 0;
    for (Extension const& x : extensions) {
        DString file = base + x.text;
        if (FileExists(file))
            kinds |= x.kinds;
    }
    return kinds;
}

} // namespace exprcheck
