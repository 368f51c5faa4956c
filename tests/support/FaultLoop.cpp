// Storage tests under injected faults: the loop over every call of a writer.
#include "FaultLoop.h"

#include "LastFailure.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace testsupport {

std::vector<std::string> HiddenEntries(const std::string& path)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.')
            found.push_back(e.path().filename().string());
    return found;
}

int LoopFaults(const FaultCase& c)
{
    c.restore();
    const std::string old = ReadBytes(c.target);
    platform::fault::Arm(0, EIO);
    const bool clean = c.write();
    const int calls = platform::fault::Calls();
    platform::fault::Disarm();
    EXPECT_TRUE(clean) << c.target << ": the writer fails without a fault";
    if (!clean)
        return 0;
    EXPECT_NE(ReadBytes(c.target), old) << c.target << ": the clean run changed nothing";
    for (int error : {ENOSPC, EIO, EACCES}) {
        for (int k = 1; k <= calls; ++k) {
            c.restore();
            ClearLastFailure();
            platform::fault::Arm(k, error);
            const bool ok = c.write();
            platform::fault::Disarm();
            DString message;
            const int code = GetLastFailure(&message);
            const std::string where = c.target + ", call " + std::to_string(k) + " of "
                                      + std::to_string(calls) + ", error " + std::to_string(error);
            EXPECT_FALSE(ok) << where << ": a failed call is reported as success";
            EXPECT_EQ(code, error) << where << ": " << message.c_str();
            const std::string name = std::filesystem::path(c.target).filename().string();
            EXPECT_NE(std::string(message.c_str()).find(name), std::string::npos)
                << where << ": " << message.c_str();
            if (!(c.replaces && k == calls)) {
                EXPECT_EQ(ReadBytes(c.target), old) << where << ": the old file is not kept";
            }
            EXPECT_TRUE(HiddenEntries(c.target).empty()) << where << ": a temporary file is left";
        }
    }
    return calls;
}

} // namespace testsupport
