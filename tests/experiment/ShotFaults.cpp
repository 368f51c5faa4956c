// Every shot operation under injected faults: each file and folder call it makes fails in turn,
// and each time the failure is reported and the experiment is left as it was (or, where the
// last call failed after the change was already in place, as the clean run left it).
#include "ExperimentFixture.h"

#include "FaultLoop.h"
#include "LastFailure.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace fs = std::filesystem;
using testsupport::ReadBytes;

namespace {

/// What a reader of the experiment sees: every file with its bytes (the time of a Date field
/// left out, as each run stamps its own), every shot folder (also an empty one), and the
/// hidden entries other than writer locks.
struct State {
    std::map<std::string, std::string> files;
    std::set<std::string> shotFolders;
    std::set<std::string> hidden;
    bool operator==(State const& o) const
    {
        return files == o.files && shotFolders == o.shotFolders && hidden == o.hidden;
    }
    bool operator!=(State const& o) const { return !(*this == o); }
};

std::string WithoutDates(std::string const& text)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(at, 5, "Date=") != 0)
            out += text.substr(at, end - at);
        at = end;
    }
    return out;
}

bool IsLock(std::string const& name)
{
    return name.size() > 5 && name.compare(name.size() - 5, 5, ".lock") == 0;
}

State Snapshot(std::string const& root)
{
    State s;
    for (auto const& e : fs::recursive_directory_iterator(root)) {
        std::string const name = e.path().filename().string();
        std::string const rel = fs::relative(e.path(), root).generic_string();
        if (name[0] == '.') {
            if (!IsLock(name))
                s.hidden.insert(rel);
        } else if (e.is_directory()) {
            if (name.compare(0, 4, "Shot") == 0 && name != "Shots")
                s.shotFolders.insert(rel);
        } else if (name != "Log.txt") {
            s.files[rel] = WithoutDates(ReadBytes(e.path().string()));
        }
    }
    return s;
}

std::string Describe(State const& s)
{
    std::string out;
    for (auto const& f : s.files)
        out += "  " + f.first + ": " + (f.second.size() < 200 ? f.second : "(large)") + "\n";
    for (auto const& d : s.shotFolders)
        out += "  " + d + "/\n";
    for (auto const& h : s.hidden)
        out += "  hidden " + h + "\n";
    return out;
}

} // namespace

class ShotFaultsTest : public ExperimentTest {
protected:
    /// One shot operation: `run` does it once and says whether it claims success.
    struct Case {
        std::function<void()> prepare; ///< extra state before the operation (faults off)
        std::function<bool()> run;
        /// Accepts a failed run whose state matches neither before nor the clean run.
        std::function<bool(State const& after)> alsoAccept;
        bool mayClaimWhole = false; ///< a create that left the shot whole may return success
    };

    /// A fresh experiment with shots 1 (current, fields Comment, Date, Peak) and 2.
    void Fresh(Case const& c)
    {
        platform::fault::Disarm();
        ClearLastFailure();
        Expt = Experiment();
        std::error_code ec;
        fs::remove_all(data, ec);
        Open("[General]\r\nDescription=x\r\n");
        ASSERT_GE(Create("2", "two"), 0);
        ASSERT_GE(Create("1", "one"), 0);
        Expt.SetShotData("Peak", "3");
        testsupport::WriteBytes(N(exp + "/Shots/Shot1/probe.wvf"), "trace");
        if (c.prepare)
            c.prepare();
        DString failure;
        ASSERT_EQ(GetLastFailure(&failure), 0) << S(failure);
        sink.got.clear();
    }

    /// Runs the operation clean, then once per call k and error with call k failing. Returns
    /// the number of calls of the clean run.
    int Loop(Case const& c)
    {
        Fresh(c);
        State const before = Snapshot(data);
        platform::fault::Arm(0, EIO);
        bool const ok = c.run();
        int const calls = platform::fault::Calls();
        platform::fault::Disarm();
        EXPECT_TRUE(ok) << "the operation fails without a fault";
        State const clean = Snapshot(data);
        EXPECT_NE(clean, before) << "the clean run changed nothing";
        EXPECT_TRUE(clean.hidden.empty()) << Describe(clean);
        for (int error : {ENOSPC, EIO, EACCES}) {
            for (int k = 1; k <= calls; ++k) {
                Fresh(c);
                ClearLastFailure();
                platform::fault::Arm(k, error);
                bool const claimed = c.run();
                platform::fault::Disarm();
                Check(c, k, error, claimed, before, clean);
            }
        }
        return calls;
    }

    /// One failed run: the failure recorded with its reason, the experiment as it was or as the
    /// clean run left it (no temporary entry beside either), and no success claimed.
    void Check(Case const& c, int k, int error, bool claimed, State const& before,
               State const& clean)
    {
        std::string const where = "call " + std::to_string(k) + " failing with "
                                  + std::strerror(error);
        DString message;
        EXPECT_NE(GetLastFailure(&message), 0) << where << ": no failure recorded";
#if !defined(_WIN32) // the Windows build gives the system's own wording
        EXPECT_NE(S(message).find(std::strerror(error)), std::string::npos)
            << where << ": the reason is missing from \"" << S(message) << "\"";
#endif
        State const after = Snapshot(data);
        bool const whole = after == clean;
        EXPECT_TRUE(after == before || whole || (c.alsoAccept && c.alsoAccept(after)))
            << where << ": left neither the old state nor the new one:\n"
            << Describe(after) << "before:\n"
            << Describe(before) << "clean run:\n"
            << Describe(clean);
        EXPECT_TRUE(!claimed || (c.mayClaimWhole && whole)) << where << ": reported success";
    }

    /// True when the shot folder is listed.
    static bool Listed(State const& s, std::string const& shot)
    {
        return s.shotFolders.count("Exp1/Shots/Shot" + shot) > 0;
    }
};

TEST_F(ShotFaultsTest, CreateShot)
{
    // The calls: the shot folder, then Scalars.ini and ScalarCache.ini for the comment and the
    // date, each through a temporary file, its sync, the rename and the folder's sync.
    Case c;
    c.run = [] {
        DString name = "3";
        return Expt.CreateShot(name, "three", false) >= 0 && GetLastFailure() == 0;
    };
    c.mayClaimWhole = true;
    EXPECT_GT(Loop(c), 8);
}

TEST_F(ShotFaultsTest, SetShotData)
{
    Case c;
    c.run = [] {
        Expt.SetShotData("Peak", "4");
        return GetLastFailure() == 0;
    };
    EXPECT_GT(Loop(c), 4);
}

TEST_F(ShotFaultsTest, RenameShot)
{
    Case c;
    c.run = [] { return Expt.RenameShot("5") && GetLastFailure() == 0; };
    EXPECT_GT(Loop(c), 2);
}

TEST_F(ShotFaultsTest, DeleteShot)
{
    Case c;
    c.run = [] { return Expt.DeleteShot() && GetLastFailure() == 0; };
    // Once the shot is out of sight and its cache section gone, it is deleted; files that
    // could not go yet stay hidden for the next delete to remove.
    c.alsoAccept = [](State const& after) {
        if (Listed(after, "1") || after.files.count("Exp1/Shots/Shot1/Scalars.ini"))
            return false;
        for (auto const& h : after.hidden)
            if (h.rfind("Exp1/Shots/.deleting-Shot1-", 0) != 0)
                return false;
        return after.files.at("Exp1/Shots/ScalarCache.ini").find("[Shot1]") == std::string::npos;
    };
    EXPECT_GT(Loop(c), 2);
}

TEST_F(ShotFaultsTest, BackupShot)
{
    Case c;
    // An empty settings file is not read, so that the injected faults land on the backup's own
    // calls rather than on reading the experiment's settings.
    c.prepare = [this] {
        testsupport::WriteBytes(exp + "/Exp1.ini", "");
        Expt.GetBackupPath();
    };
    c.run = [] {
        Expt.BackupShot();
        return GetLastFailure() == 0 && ~Expt.GetLastBackupFolder();
    };
    // Windows commits a copy without the folder syncs.
    EXPECT_GT(Loop(c), testsupport::kWindows ? 2 : 4);
}

TEST_F(ShotFaultsTest, SaveShotList)
{
    auto save = [](std::initializer_list<char const*> names) {
        DStringArray shots;
        DArray<int> groups;
        for (char const* name : names) {
            shots.Add(name);
            groups.Add(0);
        }
        Expt.SaveShotList("L", shots, groups);
    };
    Case c;
    c.prepare = [save] { save({"1"}); };
    c.run = [save] {
        save({"1", "2"});
        return GetLastFailure() == 0;
    };
    EXPECT_GT(Loop(c), 4);
}

TEST_F(ShotFaultsTest, CreateShotInsideAPause)
{
    // The pause holds the comment and the date: the calls are the shot folder's, then one
    // replacement each of ScalarCache.ini and Scalars.ini when the pause ends.
    Case c;
    c.run = [] {
        Expt.SetPauseIO(true);
        DString name = "3";
        bool const created = Expt.CreateShot(name, "three", false) >= 0;
        Expt.SetPauseIO(false);
        return created && GetLastFailure() == 0;
    };
    c.mayClaimWhole = true;
    EXPECT_GT(Loop(c), 4);
}
