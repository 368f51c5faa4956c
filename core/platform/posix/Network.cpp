// This computer's share table (Samba configuration file) and the mount table of network shares.
#include "Platform.h"
#include "Posix_p.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace posix {

bool ReadCapped(const std::string& path, std::size_t limit, std::string& out)
{
    out.clear();
    // Non-blocking open: a pipe named here must not hang the caller.
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode)
        || S_ISSOCK(st.st_mode)) {
        close(fd);
        return false;
    }
    char buf[16384];
    bool ok = true;
    while (out.size() < limit) {
        ssize_t got = read(fd, buf, std::min(sizeof buf, limit - out.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0 || errno == EAGAIN;
            break;
        }
        out.append(buf, std::size_t(got));
    }
    close(fd);
    return ok;
}

} // namespace posix

namespace {

using namespace posix;

// Real tables are a few kilobytes; more than this is not a table (and a device never ends).
const std::size_t kTableLimit = 1 << 20;

std::string Trim(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t\r\f\v");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\f\v");
    return s.substr(b, e - b + 1);
}

std::string LowerAll(std::string s)
{
    for (char& c : s)
        c = Lower(c);
    return s;
}

// Lines of the file; with `continuations`, a line ending in '\\' goes on in the next one.
std::vector<std::string> LogicalLines(const std::string& text, bool continuations)
{
    std::vector<std::string> lines;
    std::string cur;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t nl = text.find('\n', i);
        std::string line = text.substr(i, nl == std::string::npos ? std::string::npos : nl - i);
        i = nl == std::string::npos ? text.size() : nl + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (continuations && !line.empty() && line.back() == '\\') {
            line.pop_back();
            cur += line;
            continue;
        }
        lines.push_back(cur + line);
        cur.clear();
    }
    if (!cur.empty())
        lines.push_back(cur);
    return lines;
}

bool SpecialSection(const std::string& name)
{
    std::string n = LowerAll(name);
    return n == "global" || n == "homes" || n == "printers";
}

// Undoes the octal escapes (\040 for a space) of the mount table's fields.
std::string Unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3'
            && s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out += char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> f;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t b = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > b)
            f.push_back(line.substr(b, i - b));
    }
    return f;
}

std::string TableFile(const char* variable, const char* standard)
{
    std::string named = GetEnv(variable);
    return named.empty() ? standard : named;
}

} // namespace

std::vector<Share> ShareTable()
{
    std::vector<Share> shares;
    std::string text;
    if (!ReadCapped(TableFile("TALVEX_SMB_CONF", "/etc/samba/smb.conf"), kTableLimit, text))
        return shares;
    std::string section;
    for (const std::string& raw : LogicalLines(text, true)) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']');
            section = Trim(
                line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        std::size_t eq = line.find('=');
        if (section.empty() || SpecialSection(section) || eq == std::string::npos
            || LowerAll(Trim(line.substr(0, eq))) != "path")
            continue;
        std::string folder = Trim(line.substr(eq + 1));
        if (folder.empty() || folder[0] != '/' || folder.find('\0') != std::string::npos
            || section.find('\0') != std::string::npos)
            continue;
        Share* known = nullptr;
        for (Share& s : shares)
            if (EqualNoCase(s.name, section))
                known = &s;
        if (known)
            known->folder = folder; // a later "path" of the same share wins
        else
            shares.push_back({section, folder});
    }
    return shares;
}

std::vector<NetworkMount> MountTable()
{
    std::vector<NetworkMount> mounts;
    std::string text;
    if (!ReadCapped(TableFile("TALVEX_MOUNTS", "/proc/self/mounts"), kTableLimit, text))
        return mounts;
    for (const std::string& line : LogicalLines(text, false)) {
        std::vector<std::string> f = Fields(line);
        if (f.size() < 3 || (f[2] != "cifs" && f[2] != "smb3"))
            continue;
        std::string source = Unescape(f[0]), point = Unescape(f[1]);
        if (source.size() < 3 || !IsSep(source[0]) || !IsSep(source[1]) || point.empty()
            || point[0] != '/' || point.find('\0') != std::string::npos)
            continue;
        std::vector<std::string> parts;
        std::string cur;
        for (std::size_t i = 2; i <= source.size(); ++i) {
            if (i == source.size() || IsSep(source[i])) {
                if (!cur.empty())
                    parts.push_back(cur);
                cur.clear();
            } else {
                cur += source[i];
            }
        }
        if (parts.size() < 2)
            continue;
        NetworkMount m;
        m.server = parts[0];
        m.share = parts[1];
        m.subPath.assign(parts.begin() + 2, parts.end());
        m.mountPoint = point;
        mounts.push_back(m);
    }
    return mounts;
}

// Drive letters here come from the program settings file, not from the system.
std::string NetworkDriveRemote(char)
{
    return {};
}

} // namespace platform
