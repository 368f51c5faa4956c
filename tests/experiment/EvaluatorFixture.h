// Fixture for data names, the data cache and expressions: three numbered shots and data objects.
#ifndef TALVEX_TESTS_EVALUATORFIXTURE_H
#define TALVEX_TESTS_EVALUATORFIXTURE_H

#include "ExperimentFixture.h"
#include "Matrix.h"
#include "ParticleGroup.h"
#include "Waveform.h"

#include <initializer_list>
#include <string>
#include <utility>

/// Shots Run0099, Run0100 and Run0101 in shot path 0; Run0100 is current.
class ShotDataTest : public ExperimentTest {
protected:
    void SetUp() override
    {
        ExperimentTest::SetUp();
        Open();
        for (char const* shot : {"Run0099", "Run0100", "Run0101"})
            MakeFolder(exp + "/Shots/Shot" + shot);
        ASSERT_TRUE(Expt.SetShot("Run0100"));
        // A field file that reads empty is read again and again before it counts as empty.
        Expt.SetShotData("Comment", "fixture");
    }

    std::string ShotDir(std::string const& shot = "Run0100") const
    {
        return N(exp + "/Shots/Shot" + shot);
    }

    /// A ramp 0, top/(n-1), ..., top over n samples at step 1 from 0, scaled, written to
    /// `<shot folder>/<name>.wvf`.
    void WriteRamp(std::string const& name, float top, std::string const& shot = "Run0100",
                   int n = 101)
    {
        Waveform w(n);
        for (int i = 0; i < n; ++i)
            w[i] = top * float(i) / float(n - 1);
        w.Scale();
        ASSERT_TRUE(w.Write((ShotDir(shot) + "/" + name).c_str()));
    }

    /// A rows x cols matrix with rows coordinates from 10 at step 0.5 and t1 = mark.
    void WriteMatrix(std::string const& name, int rows, int cols, float mark = 0.0f)
    {
        Matrix m(rows, cols, 1);
        for (int i = 0; i < m.Count(); ++i)
            m[i] = float(i);
        m.SetStep(1, 0.5f, 10.0f);
        m.t1 = mark;
        m.Scale();
        ASSERT_TRUE(m.Write((ShotDir() + "/" + name).c_str()));
    }

    /// A particle group of n particles with t2 = mark.
    void WriteGroup(std::string const& name, int n, float mark)
    {
        ParticleGroup g(n);
        for (int i = 0; i < g.Count(); ++i)
            g[i] = float(i);
        g.t2 = mark;
        ASSERT_TRUE(g.Write((ShotDir() + "/" + name).c_str()));
    }

    static Waveform ReadWave(std::string const& file)
    {
        Waveform w(0);
        w.Read(file.c_str(), -1);
        return w;
    }

    static float Eval(char const* expr, Experiment::ScalarLookup lookup = nullptr)
    {
        return Expt.GetScalarData(expr, lookup);
    }

    /// Evaluates each expression and compares it with its value (-DFMax: no value).
    static void ExpectValues(std::initializer_list<std::pair<char const*, float>> cases,
                             Experiment::ScalarLookup lookup = nullptr)
    {
        for (auto const& c : cases)
            EXPECT_FLOAT_EQ(Eval(c.first, lookup), c.second) << c.first;
    }

    /// Messages (code 2) received so far.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        for (auto const& m : sink.got)
            if (m.first == 2)
                out.push_back(m.second);
        return out;
    }
};

#endif
