// The C interface: start-up, experiment and shots, scalars and text, system texts and services.
#include "TalvexC.h"

#include "ApiSupport_p.h"
#include "Clock.h"
#include "Core.h"
#include "DNotify.h"
#include "DataConstants.h"
#include "Experiment.h"
#include "FileSystem.h"
#include "LastFailure.h"
#include "Log.h"
#include "Nodes.h"
#include "Paths.h"

using api::Guard;
using api::GuardVoid;
using api::TextOut;

bool ExternalInit = false;

namespace {

// The capacity from which GetScalarDataSafeC reads its text as a template.
constexpr int TemplateCapacity = 60;

// The shot name that "*" stands for: the current directory's last element without a leading
// "Shot". Empty when nothing is left.
DString NameFromCurrentDirectory()
{
    DString folder, last;
    SplitPathElts(GetCurrentDirectoryD(), folder, last);
    if (last.Left(4) %= "Shot")
        last = last.Mid(4);
    return last;
}

// Tells a host's shot-change sink, when C functions run inside a host that installed one.
void TellHost(int group)
{
    if (ExternalInit || !QNot)
        return;
    QNot->ShotChanged(Expt.GetShotName(), group, 0, false);
}

// text with every "{expression}" replaced by its value; an expression without a valid value
// makes the whole result an error text.
DString FillTemplate(DString const& text)
{
    DString result;
    int pos = 0;
    while (pos < text.Len()) {
        int open = text.Find('{', pos);
        if (open == npos)
            break;
        result << text.Mid(pos, open - pos);
        int close = text.Find('}', open + 1);
        DString name = text.Mid(open + 1, close == npos ? npos : close - open - 1);
        float v = Expt.GetScalarData(name, nullptr);
        if (!IsVF(v))
            return DString("Error evaluating scalar expression ") << name;
        result << v;
        pos = close == npos ? text.Len() : close + 1;
    }
    result << text.Mid(pos);
    return result;
}

// Stands in front of the sink that was installed when the hook was set.
class HookSink : public DNotify {
public:
    TalvexMessageHook hook = nullptr;
    void* context = nullptr;
    DNotify* next = nullptr;

    void OnNotify(int code, int value, DString const& text) override
    {
        if (hook && hook(code, value, text.c_str(), context))
            return;
        if (next)
            next->OnNotify(code, value, text);
    }
};

HookSink& TheHookSink()
{
    static HookSink* const sink = new HookSink; // never destroyed: late messages still land
    return *sink;
}

} // namespace

void InitializeTalvexC(const char* folder)
{
    GuardVoid("InitializeTalvexC", [&] {
        DString f(folder);
        bool const wantLog = f.Len() >= 2 && f.Mid(f.Len() - 2) == "$L";
        if (wantLog)
            f = f.Left(f.Len() - 2);
        if (~f && PathsEqual(f, GetTalvexPath())) {
            Log("InitializeTalvexC called again");
            return;
        }
        CoreInit(f);
        SetNotify(CFNotify::ForC());
        ClearLog();
        Logging = wantLog;
        ExternalInit = true;
        Log(DString("InitializeTalvexC called from external code at ") << Now());
    });
}

void SetExperimentC(const char* folder)
{
    GuardVoid("SetExperimentC", [&] {
        if (ExternalInit)
            Expt.SetExperimentFolder(DString(folder));
    });
}

int CreateShotC(const char* name)
{
    return Guard("CreateShotC", 0, [&] {
        DString const given(name);
        DString n = given;
        int g = -1;
        ClearLastFailure();
        if (n == "*") {
            DString const fromFolder = NameFromCurrentDirectory();
            n = DString("*") << fromFolder;
            if (~fromFolder)
                g = Expt.CreateShot(n, DString(), true);
        } else {
            g = Expt.CreateShot(n, DString(), true);
        }
        if (g < 0) {
            DString const text = DString("Error creating shot ")
                                 << given
                                 << " (most likely it already exists and name did not have *)"
                                 << " expt is " << Expt.GetExperimentPath();
            // The library's own reason (an invalid name, a folder it could not make) stays.
            if (g < -1 || GetLastFailure() == 0)
                SetLastFailure(1, text);
            Message(text);
            return 0;
        }
        TellHost(g);
        return 1;
    });
}

int SetShotC(const char* name)
{
    return Guard("SetShotC", 0, [&] {
        if (!Expt.SetShot(DString(name), -1)) {
            SetLastFailure(1, "Error setting shot (most likely it does not exist)");
            Message("Error setting shot (most likely it does not exist)");
            return 0;
        }
        if (!ExternalInit && QNot)
            Log("here");
        TellHost(-1);
        return 1;
    });
}

float GetScalarDataC(const char* name)
{
    return Guard("GetScalarDataC", -DFMax,
                 [&] { return Expt.GetScalarData(DString(name), nullptr); });
}

void SetScalarDataC(const char* name, float value)
{
    GuardVoid("SetScalarDataC", [&] { Expt.SetScalarData(DString(name), value); });
}

void GetScalarDataSafeC(const char* text, int* len, char* out)
{
    GuardVoid("GetScalarDataSafeC", [&] {
        if (!len)
            return;
        DString const t(text);
        DString result = *len < TemplateCapacity ? DString(Expt.GetScalarData(t, nullptr))
                                                 : FillTemplate(t);
        TextOut(result, len, out);
    });
}

void GetStringDataC(const char* key, int* len, char* out)
{
    GuardVoid("GetStringDataC", [&] { TextOut(Expt.GetShotData(DString(key)), len, out); });
}

void SetStringDataC(const char* key, const char* value)
{
    GuardVoid("SetStringDataC", [&] { Expt.SetShotData(DString(key), DString(value)); });
}

void GetStringC(int which, int* len, char* out)
{
    GuardVoid("GetStringC", [&] {
        DString s;
        switch (which) {
        case 0: s = GetTalvexPath(); break;
        case 1: s = Expt.GetShotName(); break;
        case 2: s = Expt.GetShotFolder(); break;
        case 3: s = Expt.GetExperimentFolder(); break;
        case 4: s = GetLocalSettingsPath(); break;
        case 5: s = AppendPathElts(GetLocalSettingsPath(), "MPIHosts.txt"); break;
        case 6: s = Expt.GetExperimentName(); break;
        case 99: s = "Test string from Talvex"; break;
        default: break;
        }
        TextOut(s, len, out);
    });
}

int GetNodesC(int n)
{
    GuardVoid("GetNodesC", [&] {
        DStringArray list;
        GetNodes(list, n);
    });
    return n;
}

void CSleep(int milliseconds)
{
    if (milliseconds > 0)
        DSleep(milliseconds);
}

int TestFuncC(void)
{
    return 316;
}

void SetMessageHookC(TalvexMessageHook hook, void* context)
{
    HookSink& sink = TheHookSink();
    bool const installed = GetNotify() == &sink;
    if (!hook) {
        if (installed)
            SetNotify(sink.next);
        sink.hook = nullptr;
        return;
    }
    if (!installed)
        sink.next = GetNotify();
    sink.hook = hook;
    sink.context = context;
    SetNotify(&sink);
}

int GetLastFailureC(int* len, char* out)
{
    return Guard("GetLastFailureC", 0, [&] {
        DString message;
        int const code = GetLastFailure(&message);
        TextOut(message, len, out);
        return code;
    });
}

void ClearLastFailureC(void)
{
    ClearLastFailure();
}
