// Confine: the checks that keep every name a client sends inside the experiment.
#include "Confine.h"

#include <cstdlib>

namespace serve {

namespace {

/// The real path of an existing file or folder; empty when it does not resolve.
std::string RealPath(const std::string& path)
{
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return std::string();
    std::string result(real);
    std::free(real);
    return result;
}

} // namespace

bool IsPlainName(const std::string& name)
{
    if (name.empty() || name.size() > 255 || name[0] == '.')
        return false;
    if (name[0] == '<' || name[0] == '>' || name[0] == '@')
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    return name.find_first_of("/\\:*?\"|") == std::string::npos;
}

void Confinement::AddRoot(const std::string& folder)
{
    std::string real = RealPath(folder);
    if (real.empty())
        return;
    if (real.back() != '/')
        real += '/';
    roots.push_back(real);
}

bool Confinement::Contains(const std::string& path) const
{
    std::string real = RealPath(path);
    if (real.empty())
        return false;
    for (const std::string& root : roots) {
        if (real.compare(0, root.size(), root) == 0 || real + "/" == root)
            return true;
    }
    return false;
}

} // namespace serve
