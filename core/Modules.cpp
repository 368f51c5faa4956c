// Module loading: the module table, GetProc, DLLConnect and UnloadModules.
#include "Modules.h"

#include "Core.h"
#include "DArray.h"
#include "Log.h"
#include "Paths.h"
#include "Platform.h"

namespace {

/// The handles of every module loaded through GetProc, in load order; what is left at
/// process end is released in the same order.
class ModuleTable {
public:
    ~ModuleTable() { ReleaseAll(); }

    void Add(void* handle) { handles.Add(handle); }

    void ReleaseAll()
    {
        for (int i = 0; i < handles.Count(); ++i)
            platform::FreeLibrary(handles[i]);
        handles.Clear();
    }

private:
    DArray<void*, false> handles;
};

ModuleTable& Table()
{
    static ModuleTable table;
    return table;
}

/// The native file of a module path, or empty when the path does not resolve. A bare file
/// name gets "./" so that the loader opens it here instead of searching its library path.
std::string NativeModulePath(const DString& path)
{
    std::string native = platform::ToNative(path.c_str(), false);
    if (!native.empty() && native.find_first_of("/\\") == std::string::npos)
        native.insert(0, {'.', platform::kNativeSeparator});
    return native;
}

} // namespace

void* GetProc(const DString& folder, const DString& module, const char* symbol, bool& ok, int flags)
{
    DString file = module;
    if (!(flags & ModuleNoExtension))
        file << platform::kModuleExtension;
    DString path = AppendPathElts(folder, file);

    std::string native = NativeModulePath(path);
    void* handle = native.empty() ? nullptr : platform::LoadLibrary(native);
    if (!handle) {
        ok = false;
        Message("Could not load module: " + module);
        Log("Could not load module: " + path);
        return nullptr;
    }

    void* address = symbol ? platform::GetSymbol(handle, symbol) : nullptr;
    if (!address) {
        ok = false;
        DString text = DString("Could not load symbol: ") + symbol;
        Message(text);
        Log(text);
        return nullptr;
    }

    Table().Add(handle);
    return address;
}

bool DLLConnect(const DString& modulePath, int mode, DNotify* hostSink, DNotify*& moduleSink)
{
    DString folderPart, name;
    SplitPathElts(modulePath, folderPart, name);
    DString folder = AppendPathElts(GetTalvexPath(), folderPart);

    bool ok = true;
    void* entry = GetProc(folder, name, "SvInit", ok, 0);
    if (!ok)
        return false;

    // A module that claims to be ready without handing back a sink cannot be driven.
    moduleSink = nullptr;
    SvInitProc svInit = reinterpret_cast<SvInitProc>(entry);
    return svInit(mode, hostSink, moduleSink) && moduleSink != nullptr;
}

void UnloadModules()
{
    Table().ReleaseAll();
}
