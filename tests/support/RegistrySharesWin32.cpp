// Shares of this computer in the registry's share table, for the Windows tests.
#include "RegistryShares.h"

#include <windows.h>

namespace testsupport {

namespace {

const char kSharesKey[] = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Shares";

HKEY OpenShares()
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharesKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                    &key, nullptr);
    return key;
}

} // namespace

RegistryShares::RegistryShares() : prefix_("T" + std::to_string(GetCurrentProcessId()) + "_") { }

RegistryShares::~RegistryShares()
{
    HKEY key = OpenShares();
    if (!key)
        return;
    for (const std::string& name : added_)
        RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

void RegistryShares::Add(const std::string& name, const std::string& folder)
{
    std::string bytes = std::string("CSCFlags=0") + '\0' + "MaxUses=4294967295" + '\0'
                        + "Path=" + folder + '\0' + "Permissions=0" + '\0' + "Remark=" + '\0'
                        + "Type=0" + '\0' + '\0';
    AddRaw(name, bytes);
}

void RegistryShares::AddRaw(const std::string& name, const std::string& bytes)
{
    HKEY key = OpenShares();
    if (!key)
        return;
    const std::string full = Name(name);
    RegSetValueExA(key, full.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                   DWORD(bytes.size()));
    RegCloseKey(key);
    added_.push_back(full);
}

} // namespace testsupport
