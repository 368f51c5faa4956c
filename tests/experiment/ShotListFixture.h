// Fixture for shot lists and sets: shot paths Shots (0) and ..\Fast (1), sets as (name, group).
#ifndef TALVEX_TESTS_SHOTLISTFIXTURE_H
#define TALVEX_TESTS_SHOTLISTFIXTURE_H

#include "ExperimentFixture.h"

#include <string>
#include <utility>
#include <vector>

using Set = std::vector<std::pair<std::string, int>>;

class ShotListTest : public ExperimentTest {
protected:
    /// Creates the shot folders of both shot paths and opens the experiment.
    void Make(std::vector<std::string> const& inShots, std::vector<std::string> const& inFast)
    {
        MakeFolder(data + "/Fast");
        for (auto const& s : inShots)
            MakeFolder(exp + "/Shots/Shot" + s);
        for (auto const& s : inFast)
            MakeFolder(data + "/Fast/Shot" + s);
        Open("[Groups]\r\n..\\Fast;;fast\r\n");
        ASSERT_EQ(Expt.ShotPaths.Count(), 2);
    }
    Set List(char const* spec, int gnum = -1, DArray<long long>* dates = nullptr)
    {
        Expt.GetShotList(spec, gnum, shots, groups, dates);
        return Got(dates);
    }
    Set Select(char const* source, char const* spec, char const* dataFile,
               DArray<long long>* dates = nullptr)
    {
        Expt.GetShotSet(source, spec, dataFile, shots, groups, dates);
        return Got(dates);
    }
    /// Puts a set into the two arrays the library takes.
    void Give(Set const& set)
    {
        shots.Clear();
        groups.Clear();
        for (auto const& e : set) {
            shots.Add(e.first.c_str());
            groups.Add(e.second);
        }
    }
    Set Got(DArray<long long>* dates = nullptr)
    {
        EXPECT_EQ(shots.Count(), groups.Count());
        if (dates) {
            EXPECT_EQ(dates->Count(), shots.Count());
        }
        Set out;
        for (int i = 0; i < shots.Count(); ++i)
            out.emplace_back(shots[i].c_str(), groups[i]);
        return out;
    }
    std::string ListFile(std::string const& name) const { return exp + "/ShotLists/" + name; }

    DStringArray shots;
    DArray<int> groups;
};

#endif
