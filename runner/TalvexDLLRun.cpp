// TalvexDLLRun: runs one plug-in module, or the Dorvel module, against one shot of one
// experiment, alone or as one process of an MPI job.
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "DString.h"
#include "DStringArray.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "Log.h"
#include "Modules.h"
#include "Paths.h"

#include <mpi.h>

#include <cstdio>
#include <cstring>

namespace {

/// Entry points "RunDorvel" and "RunDorvelMPI": (program folder, input file), nonzero for
/// success.
typedef int (*DorvelProc)(const char* programFolder, const char* inputFile);

/// Exit status of a failed run (255 as the shell sees it).
const int RunFailed = -1;

/// Commands sent to a plug-in module's sink.
const int CommandRun = 129;
const int CommandRunMpi = 130;

/// Notification code of a run's status, always printed.
const int CodeStatus = 31;

/// The flag letters of the argument's fifth field.
struct RunFlags {
    bool verbose = false;   ///< v: print every notification
    bool mpiModule = false; ///< m: MPI run, module in its MPI form
    bool mpiSingle = false; ///< b: MPI run, module in its single-process form
    bool noSuffix = false;  ///< s: no status suffixes
    bool silent = false;    ///< x: no settings file
    bool logging = false;   ///< l: trace lines go to the log

    bool Mpi() const { return mpiModule || mpiSingle; }
};

// What the sink reads: the flags in force and this process's place in the MPI job.
bool Verbose = false;
bool NoSuffix = false;
int WorldSize = 1;
int Rank = 0;

/// The runner's sink: prints status lines (every notification when verbose) with a status
/// suffix, and logs.
class CNotify : public DNotify {
public:
    void OnNotify(int code, int value, const DString& text) override;
    bool Query() override { return false; }
};

CNotify RunnerSink;

const char* StatusSuffix(int code, int value)
{
    switch (code) {
    case 1: return "=d";
    case 2: return "=m";
    case CodeStatus: return value < 0 ? "=a" : "=f";
    case 128: return "=c";
    default: return "";
    }
}

void CNotify::OnNotify(int code, int value, const DString& text)
{
    DString line = text;
    if (Verbose || code == CodeStatus) {
        if (!NoSuffix)
            line << StatusSuffix(code, value);
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    if (code == 5)
        Log(text);
    else if (Logging)
        Log(line + " (" + DString(code) + ")");
}

bool HasLetter(const DString& letters, char c)
{
    for (int i = 0; i < letters.Len(); ++i) {
        if (letters[i] == c)
            return true;
    }
    return false;
}

RunFlags ParseFlags(const DString& letters)
{
    RunFlags flags;
    flags.verbose = HasLetter(letters, 'v');
    flags.mpiModule = HasLetter(letters, 'm');
    flags.mpiSingle = HasLetter(letters, 'b');
    flags.noSuffix = HasLetter(letters, 's');
    flags.silent = HasLetter(letters, 'x');
    flags.logging = HasLetter(letters, 'l');
    return flags;
}

/// Start-up shared by the self-tests: the core, the runner's sink, every notification shown.
void StartSelfTest(bool verbose)
{
    CoreInit("");
    SetNotify(&RunnerSink);
    Verbose = verbose;
}

int HelloTest()
{
    StartSelfTest(true);
    Notify(CodeStatus, 1, "Hello from TalvexDLLRun on " + GetComputerNameD() + " on x64");
    return 0;
}

int MpiHelloTest(int& argc, char**& argv)
{
    StartSelfTest(true);
    MPI_Init(&argc, &argv);
    MPI_Comm_size(MPI_COMM_WORLD, &WorldSize);
    MPI_Comm_rank(MPI_COMM_WORLD, &Rank);
    MPI_Finalize();
    Notify(CodeStatus, 1,
           "Hello from TalvexDLLRun on " + GetComputerNameD() + ", process " + DString(Rank)
               + " of " + DString(WorldSize));
    return 0;
}

int TimingTest()
{
    StartSelfTest(false);
    double t = Timer();
    DString text("Task completed by  TalvexDLLRun in ");
    text << (Timer() - t);
    Notify(CodeStatus, 1, text);
    return 0;
}

/// Joins the MPI job (a one-process world without a launcher) and meets the other processes.
void JoinMpi(int& argc, char**& argv, const DString& shotField)
{
    DString call("Calling MPI_Init with args = ");
    for (int i = 0; i < argc; ++i)
        call << argv[i] << ' ';
    if (Logging)
        Log(call);
    int rc = MPI_Init(&argc, &argv);
    if (Logging)
        Log(DString("MPI_Init returned ") << rc);
    MPI_Comm_size(MPI_COMM_WORLD, &WorldSize);
    MPI_Comm_rank(MPI_COMM_WORLD, &Rank);
    if (Logging) {
        DString text("MPI started on ");
        text << GetComputerNameD() << ", proc " << Rank << " of " << WorldSize << " for shot "
             << shotField;
        Log(text);
    }
    MPI_Barrier(MPI_COMM_WORLD);
}

void SelectExperiment(const DString& folderField)
{
    DString folder = GetLocalFileName(folderField.Replace("]", "\\"));
    Expt.SetExperimentFolder(folder);
    if (Logging)
        Log(Expt.GetExperimentFolder());
}

/// The Dorvel input file: a name without a drive letter (or other absolute start) lies in the
/// experiment's "Dorvel" folder, and one without an extension gets ".cir".
DString DorvelInputFile(const DString& field)
{
    DString file = field;
    if (!IsFullQual(file))
        file = Expt.AppendExptPathElts("Dorvel", file);
    if (file.Right(4)[0] != '.')
        file << ".cir";
    return file;
}

int RunDorvel(const RunFlags& flags, const DString& inputField)
{
    bool ok = true;
    void* entry = GetProc(GetTalvexPath(), "Dorvel", flags.mpiModule ? "RunDorvelMPI" : "RunDorvel",
                          ok, 0);
    if (ok) {
        DString file = DorvelInputFile(inputField);
        DString programFolder = GetTalvexPath();
        ok = reinterpret_cast<DorvelProc>(entry)(programFolder.c_str(), file.c_str()) != 0;
    }

    int status = 0;
    if (!ok) {
        Message("Error running Dorvel");
        status = RunFailed;
    }
    if (flags.Mpi())
        MPI_Finalize();
    UnloadModules();
    return status;
}

int RunPlugin(const RunFlags& flags, const DString& name, const DString& argument)
{
    DString path = AppendPathElts("Plugins", name, name);
    const int command = flags.mpiModule ? CommandRunMpi : CommandRun;

    DNotify* moduleSink = nullptr;
    if (!DLLConnect(path, 0, &RunnerSink, moduleSink)) {
        if (flags.Mpi())
            MPI_Finalize();
        Notify(CodeStatus, -1, "Could not connect to " + name);
        UnloadModules();
        return RunFailed;
    }

    if (Logging)
        Log("calling code with argument " + argument);
    moduleSink->OnNotify(command, 0, argument);
    DSleep(300);
    if (Logging && flags.Mpi())
        Log(DString("MPI finalizing on proc ") << Rank);
    if (flags.Mpi())
        MPI_Finalize();
    UnloadModules();
    return 0;
}

int NormalRun(const DString& argument, int& argc, char**& argv)
{
    DStringArray fields(argument, ";", 5);
    const RunFlags flags = ParseFlags(fields[4]);
    Verbose = flags.verbose;
    NoSuffix = flags.noSuffix;
    if (flags.silent)
        Silent = true;

    CoreInit("");
    Logging = flags.logging;
    SetNotify(&RunnerSink);
    if (flags.Mpi())
        JoinMpi(argc, argv, fields[2]);
    SelectExperiment(fields[1]);

    // Only what was said while setting up carries a status suffix.
    NoSuffix = true;

    DString shot = fields[2];
    if (!shot.StartsWith("*"))
        shot = "*" + shot;
    if (Expt.CreateShot(shot, "", true) < 0) {
        Notify(CodeStatus, -1, "Could not set shot to " + shot);
        // The other processes of the job would wait for this one for ever.
        if (flags.Mpi())
            MPI_Abort(MPI_COMM_WORLD, RunFailed);
        return RunFailed;
    }

    if (fields[0] %= "Dorvel")
        return RunDorvel(flags, fields[3]);
    return RunPlugin(flags, fields[0], fields[3]);
}

const char kUsage[] =
    "Usage: TalvexDLLRun MODULE;EXPERIMENT;SHOT;ARGUMENT;FLAGS\n"
    "       TalvexDLLRun test | testmpi | testtime\n"
    "\n"
    "Runs plug-in MODULE (Plugins/MODULE/MODULE beside the program), or the Dorvel circuit\n"
    "module when MODULE is Dorvel, against shot SHOT of the experiment in folder EXPERIMENT\n"
    "(']' stands for a backslash), creating the shot when it is missing; ARGUMENT goes to the\n"
    "module (for Dorvel: its input file). Every '!' in the argument becomes a blank.\n"
    "FLAGS, any of: v every notification is printed; m MPI run, module in its MPI form;\n"
    "b MPI run, module in its single-process form; s no status suffixes; x no settings file;\n"
    "l trace lines go to the log.\n"
    "Status lines end in =f (finished), =a (aborted), =m (message), =d, =c.\n"
    "test, testmpi and testtime are self-tests. Exit status: 0, or 255 when the run failed.\n";

} // namespace

int main(int argc, char** argv)
{
    // Without its one argument the runner would try a run of nothing.
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    DString argument(argv[1]);
    argument = argument.Replace("!", " ");

    if (argument %= "test")
        return HelloTest();
    if (argument %= "testmpi")
        return MpiHelloTest(argc, argv);
    if (argument.StartsWith("testtime"))
        return TimingTest();
    return NormalRun(argument, argc, argv);
}
