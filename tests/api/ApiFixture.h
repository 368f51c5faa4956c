// Fixture for the C and IDL interface tests: a core started through the C interface, its
// messages captured, and an open experiment.
#ifndef TALVEX_TESTS_APIFIXTURE_H
#define TALVEX_TESTS_APIFIXTURE_H

#include "TalvexC.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prog = testsupport::Native(testsupport::TestDir() + "/prog");
        exp = testsupport::Native(testsupport::TestDir() + "/data/Exp1");
        InitializeTalvexC(prog.c_str());
        SetMessageHookC(&ApiTest::Collect, &messages);
        SetExperimentC(exp.c_str());
    }

    /// The text GetStringC gives for a selector.
    static std::string Str(int which)
    {
        char buf[4096];
        int len = sizeof buf;
        GetStringC(which, &len, buf);
        return std::string(buf, size_t(len));
    }
    /// The current shot's folder joined with a file name.
    static std::string InShot(std::string const& file)
    {
        return testsupport::Native(Str(2) + "/" + file);
    }

    /// The value of type T stored little-endian at byte offset off of bytes.
    template <class T> static T At(std::string const& bytes, size_t off)
    {
        T v {};
        if (off + sizeof v <= bytes.size())
            std::memcpy(&v, bytes.data() + off, sizeof v);
        return v;
    }

    std::string prog;
    std::string exp;
    std::vector<std::string> messages; ///< code-2 messages since SetUp

private:
    static int Collect(int code, int, const char* text, void* context)
    {
        if (code != 2)
            return 0;
        static_cast<std::vector<std::string>*>(context)->push_back(text);
        return 1;
    }
};

#endif
