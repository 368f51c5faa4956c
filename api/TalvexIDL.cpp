// The IDL interface: start-up, shots, scalars and waveforms through (argc, argv) calls.
#include "TalvexIDL.h"

#include "ApiSupport_p.h"
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "Experiment.h"
#include "Log.h"
#include "Waveform.h"

using api::DataFile;
using api::Guard;

namespace {

constexpr int Ok = 0;
constexpr int Failed = -1;

// True when the call has exactly `expected` arguments, none of them null.
bool ArgsOk(int argc, void* argv[], int expected)
{
    if (argc != expected || !argv)
        return false;
    for (int i = 0; i < argc; ++i)
        if (!argv[i])
            return false;
    return true;
}

DString Text(void* arg)
{
    return DString(static_cast<char const*>(arg));
}

float& FloatArg(void* arg)
{
    return *static_cast<float*>(arg);
}

int& IntArg(void* arg)
{
    return *static_cast<int*>(arg);
}

void NoWaveform(DString const& name)
{
    Message(DString("Error reading waveform info for ")
            << name << " (most likely it does not exist)");
}

} // namespace

int InitializeTalvexIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 2))
        return Failed;
    return Guard("InitializeTalvexIDL", Failed, [&] {
        CoreInit(Text(argv[0]));
        SetNotify(CFNotify::ForIDL());
        ClearLog();
        Log(DString("Initialized by IDL at ") << Now());
        Expt.SetExperimentFolder(Text(argv[1]));
        return Ok;
    });
}

int CreateShotIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 1))
        return Failed;
    return Guard("CreateShotIDL", Failed, [&] {
        DString name = Text(argv[0]);
        if (Expt.CreateShot(name, DString(), true) < 0) {
            Message("Error creating shot (most likely it already exists and name did not have *)");
            return Failed;
        }
        return Ok;
    });
}

int SetShotIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 1))
        return Failed;
    return Guard("SetShotIDL", Failed, [&] {
        if (!Expt.SetShot(Text(argv[0]), -1)) {
            Message("Error setting shot (most likely it does not exist)");
            return Failed;
        }
        return Ok;
    });
}

int GetScalarIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 2))
        return Failed;
    return Guard("GetScalarIDL", Failed, [&] {
        FloatArg(argv[1]) = Expt.GetScalarData(Text(argv[0]), nullptr);
        return Ok;
    });
}

int SetScalarIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 2))
        return Failed;
    return Guard("SetScalarIDL", Failed, [&] {
        Expt.SetScalarData(Text(argv[0]), FloatArg(argv[1]));
        return Ok;
    });
}

int GetWaveformIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 5))
        return Failed;
    return Guard("GetWaveformIDL", Failed, [&] {
        DString const name = Text(argv[0]);
        if (!api::ReadAligned(name, IntArg(argv[3]), FloatArg(argv[1]), FloatArg(argv[2]),
                              static_cast<float*>(argv[4]))) {
            NoWaveform(name);
            return Failed;
        }
        return Ok;
    });
}

int GetWaveformInfoIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 4))
        return Failed;
    return Guard("GetWaveformInfoIDL", Failed, [&] {
        DString const name = Text(argv[0]);
        Waveform w;
        DString const file = DataFile(name);
        if (~file)
            w.Read(file, 0);
        FloatArg(argv[1]) = w.Start();
        FloatArg(argv[2]) = w.step;
        IntArg(argv[3]) = w.fileCount;
        if (w.fileCount == 0) {
            NoWaveform(name);
            return Failed;
        }
        return Ok;
    });
}

int SetWaveformIDL(int argc, void* argv[])
{
    if (!ArgsOk(argc, argv, 5))
        return Failed;
    return Guard("SetWaveformIDL", Failed, [&] {
        bool const written = api::WriteWaveform(Text(argv[0]), IntArg(argv[3]), FloatArg(argv[1]),
                                                FloatArg(argv[2]), static_cast<float*>(argv[4]));
        return written ? Ok : Failed;
    });
}
