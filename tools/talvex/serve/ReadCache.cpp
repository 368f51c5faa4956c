// ReadCache: what the server read lately, reused while the files on disk are unchanged.
#include "ReadCache.h"

#include "Waveform.h"

#include <sys/stat.h>

namespace serve {

namespace {

/// Sets older than this are listed again: shot dates come from files inside the shot folders,
/// whose changes the shot path folder does not see.
const std::chrono::seconds kSetLife(10);
const size_t kSetsHeld = 16;

} // namespace

FileStamp StampOf(const std::string& path)
{
    FileStamp s;
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = (unsigned long long)st.st_size;
    s.modifiedNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

std::shared_ptr<const Waveform> WaveformCache::Get(const std::string& file)
{
    FileStamp stamp = StampOf(file + ".wvf");
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->file != file)
            continue;
        if (it->stamp == stamp) {
            entries.splice(entries.begin(), entries, it);
            return it->wave;
        }
        held -= it->bytes;
        entries.erase(it);
        break;
    }
    auto wave = std::make_shared<Waveform>();
    if (!wave->Read(DString(file.c_str())))
        return nullptr;
    // A file replaced while it was read is not kept: its stamp would not match its content.
    if (!(StampOf(file + ".wvf") == stamp))
        return wave;
    size_t bytes = size_t(wave->npnts()) * sizeof(float);
    if (bytes > maxBytes)
        return wave;
    while (!entries.empty() && held + bytes > maxBytes) {
        held -= entries.back().bytes;
        entries.pop_back();
    }
    entries.push_front({file, stamp, wave, bytes});
    held += bytes;
    return wave;
}

const std::vector<cli::ShotRef>* SetCache::Find(const std::string& key,
                                                const std::vector<FileStamp>& stamps) const
{
    auto now = std::chrono::steady_clock::now();
    for (const Entry& e : entries) {
        if (e.key == key)
            return e.stamps == stamps && now - e.made < kSetLife ? &e.shots : nullptr;
    }
    return nullptr;
}

void SetCache::Keep(const std::string& key, std::vector<FileStamp> stamps,
                    std::vector<cli::ShotRef> shots)
{
    entries.remove_if([&](const Entry& e) { return e.key == key; });
    entries.push_front(
        {key, std::move(stamps), std::move(shots), std::chrono::steady_clock::now()});
    if (entries.size() > kSetsHeld)
        entries.pop_back();
}

} // namespace serve
