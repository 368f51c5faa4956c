// The commands that show and change shot fields: fields, set and unset.
#include "Commands.h"
#include "Console.h"
#include "DIni.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Session.h"
#include "Table.h"
#include "WriteCheck.h"

namespace cli {

namespace {

/// A field name that is stored and read back as itself and that expressions can reach.
void CheckFieldName(const std::string& name)
{
    if (name.empty())
        Fail("empty field name");
    if (DString(name.c_str()) %= "Shot")
        Fail("field 'Shot' is the shot's name and cannot be changed");
    // The library's rule, so that the tool refuses exactly what every caller is refused.
    if (name.find('\0') != std::string::npos || !Experiment::IsFieldName(DString(name.c_str())))
        Fail("invalid field name " + Quoted(name)
             + ": it may not hold = [ ] \\ :: or control characters, start with ; or blanks,"
               " or end with blanks");
}

/// A field value fits on the one line of its key.
void CheckFieldValue(const std::string& value, const char* what)
{
    if (value.find('\0') != std::string::npos || !Experiment::IsFieldValue(DString(value.c_str())))
        Fail(std::string(what) + " may not hold line breaks or control characters");
}

} // namespace

int RunFields(const CommandLine& cl)
{
    cl.ExpectArgs(1, 1, "fields SHOT [--csv|--json]");
    OpenExperiment(cl);
    UseShot(cl.Arg(0));
    Table table({"Field", "Value"});
    for (const Field& f : CurrentFields()) {
        bool date = DString(f.name.c_str()) %= "Date";
        table.Add({f.name, date ? IsoDate(DString(f.value.c_str())) : f.value});
    }
    Out(table.Text(TableFormat(cl)));
    return 0;
}

int RunSet(const CommandLine& cl)
{
    cl.ExpectArgs(3, 3, "set SHOT NAME VALUE");
    std::string name = cl.Arg(1);
    DString value = DString(cl.Arg(2).c_str()).Trim();
    CheckFieldName(name);
    CheckFieldValue(cl.Arg(2), "a field value");
    if (!value)
        Fail("empty value for field " + Quoted(name) + "; 'talvex unset' removes a field");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    if ((DString(name.c_str()) %= "Comment") && (value %= shot.name))
        Fail("the comment of shot " + Quoted(shot.name) + " cannot be its own name");
    CheckedWrite("could not write field " + Quoted(name) + " of shot " + Quoted(shot.name), [&] {
        Expt.SetShotData(name.c_str(), value);
        return true;
    });
    if (CurrentField(name.c_str()) != value)
        Fail("could not write field " + Quoted(name) + " of shot " + Quoted(shot.name));
    return 0;
}

int RunUnset(const CommandLine& cl)
{
    cl.ExpectArgs(2, 2, "unset SHOT NAME");
    std::string name = cl.Arg(1);
    CheckFieldName(name);
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    if (!CurrentField(name.c_str()))
        Fail("shot " + Quoted(shot.name) + " has no field " + Quoted(name));
    CheckedWrite("could not remove field " + Quoted(name) + " of shot " + Quoted(shot.name), [&] {
        Expt.SetShotData(name.c_str(), DString());
        return true;
    });
    if (~CurrentField(name.c_str()))
        Fail("could not remove field " + Quoted(name) + " of shot " + Quoted(shot.name));
    return 0;
}

int RunCreate(const CommandLine& cl)
{
    cl.ExpectArgs(1, 1, "create SHOT [--comment TEXT]");
    std::string name = cl.Arg(0);
    DString comment = DString(cl.Value("comment").c_str()).Trim();
    CheckShotName(name, "shot name");
    CheckFieldValue(cl.Value("comment"), "a comment");
    if (~comment && (comment %= DString(name.c_str())))
        Fail("the comment of shot " + Quoted(name) + " cannot be its own name");
    OpenExperiment(cl, true);
    DString shot(name.c_str());
    if (Expt.GuessPathFromShot(shot) >= 0)
        Fail("shot " + Quoted(name) + " already exists");
    int group = -1;
    std::string why = WriteFailure(
        [&] { return (group = Expt.CreateShot(shot, comment, false)) >= 0; });
    if (group < -1)
        Fail("shot " + Quoted(name) + " already exists");
    DString made;
    if (group < 0 || !FolderExists(made = Expt.ShotFolder))
        Fail("could not create shot " + Quoted(name) + (why.empty() ? "" : ": " + why));
    if (why.empty() && (CurrentField("Comment") != comment || !CurrentField("Date")))
        why = "its fields do not read back";
    if (!why.empty()) {
        // The folder is this call's own claim: a shot without its fields does not stay. The
        // cleanup meets the same fault; its messages would only repeat the reason.
        WriteFailure([&] { return Expt.DeleteShot(); });
        Fail("could not create shot " + Quoted(name) + ": " + why);
    }
    return 0;
}

int RunRename(const CommandLine& cl)
{
    cl.ExpectArgs(2, 2, "rename SHOT NEW");
    std::string newName = cl.Arg(1);
    CheckShotName(newName, "new shot name");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    DString target(newName.c_str());
    if (target == shot.name)
        return 0;
    if (!(target %= shot.name) && Expt.GuessPathFromShot(target) >= 0)
        Fail("shot " + Quoted(newName) + " already exists");
    DString from = Expt.ShotFolder, to;
    // The library reports success even when the folder kept its name.
    std::string why = WriteFailure([&] { return Expt.RenameShot(target); });
    bool renamed = why.empty() && FolderExists(to = Expt.ShotFolder)
                   && ((target %= shot.name) || !FolderExists(from));
    if (!renamed)
        Fail("could not rename shot " + Quoted(shot.name) + " to " + Quoted(newName)
             + (why.empty() ? "" : ": " + why));
    return 0;
}

int RunDelete(const CommandLine& cl)
{
    cl.ExpectArgs(1, 1, "delete SHOT --yes");
    OpenExperiment(cl);
    ShotRef shot = UseShot(cl.Arg(0));
    if (!cl.Has("yes"))
        Fail("delete removes shot " + Quoted(shot.name)
             + " and all its data for good; add --yes to do it");
    DString folder = Expt.ShotFolder;
    std::string why = WriteFailure([&] { return Expt.DeleteShot(); });
    if (!why.empty() || FolderExists(folder))
        Fail("could not delete all of shot " + Quoted(shot.name) + (why.empty() ? "" : ": " + why));
    return 0;
}

} // namespace cli
