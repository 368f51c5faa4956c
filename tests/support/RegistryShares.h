// Shares of this computer in the registry's share table, for the Windows tests (Windows only).
#ifndef TALVEX_REGISTRYSHARES_H
#define TALVEX_REGISTRYSHARES_H

#include <string>
#include <vector>

namespace testsupport {

/// Adds values to the share table of the running system (the test prefix's registry) and
/// removes them again when it goes. Names get a prefix of this process's own, so that test
/// programs running side by side never see each other's shares; Name() gives the full name.
class RegistryShares {
public:
    RegistryShares();
    ~RegistryShares();
    RegistryShares(const RegistryShares&) = delete;
    RegistryShares& operator=(const RegistryShares&) = delete;

    /// A share as Windows writes it: "Path=<folder>" among other entries, NUL-separated.
    void Add(const std::string& name, const std::string& folder);
    /// A value with exactly these bytes, of type REG_MULTI_SZ.
    void AddRaw(const std::string& name, const std::string& bytes);
    /// The name a share of Add is known by.
    std::string Name(const std::string& name) const { return prefix_ + name; }

private:
    std::string prefix_;
    std::vector<std::string> added_;
};

} // namespace testsupport

#endif
