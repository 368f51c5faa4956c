// Fixture for the experiment tests: a fresh core, a capturing sink and an experiment folder.
#ifndef TALVEX_TESTS_EXPERIMENTFIXTURE_H
#define TALVEX_TESTS_EXPERIMENTFIXTURE_H

#include "Core.h"
#include "DNotify.h"
#include "Experiment.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

/// Records every notification it receives.
class CaptureSink : public DNotify {
public:
    void OnNotify(int code, int, DString const& text) override
    {
        got.emplace_back(code, text.c_str());
    }
    std::vector<std::pair<int, std::string>> got;
};

class ExperimentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoreInit("");
        SetNotify(&sink);
        Expt = Experiment();
        data = N(testsupport::TestDir() + "/data");
        exp = N(data + "/Exp1");
    }
    void TearDown() override { SetNotify(nullptr); }

    /// Writes the experiment settings file (when given) and selects the experiment.
    void Open(std::string const& ini = std::string())
    {
        if (!ini.empty())
            testsupport::WriteBytes(exp + "/Exp1.ini", ini);
        ASSERT_TRUE(Expt.SetExperimentFolder(exp.c_str()));
    }
    /// Creates a shot and returns CreateShot's result.
    static int Create(char const* name, char const* comment = "")
    {
        DString n = name;
        return Expt.CreateShot(n, comment, false);
    }
    static void MakeFolder(std::string const& path) { std::filesystem::create_directories(path); }
    static bool IsFolder(std::string const& path) { return std::filesystem::is_directory(path); }
    static std::string S(DString const& s) { return s.c_str(); }
    /// The path with the native separator, as the library writes paths it forms.
    static std::string N(std::string const& path) { return testsupport::Native(path); }
    static std::string LogText() { return testsupport::ReadBytes(S(GetUserPath()) + "/Log.txt"); }

    CaptureSink sink;
    std::string data; ///< folder that holds the experiment folder
    std::string exp;  ///< the experiment folder
};

#endif
