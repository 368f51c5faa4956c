// ReadCache: what the server read lately, reused while the files on disk are unchanged.
#ifndef TALVEX_SERVE_READCACHE_H
#define TALVEX_SERVE_READCACHE_H

#include "../Session.h"

#include <chrono>
#include <list>
#include <memory>
#include <string>
#include <vector>

class Waveform;

namespace serve {

/// The identity of a file or folder as it is now: a change or a replacement gives another.
struct FileStamp {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size
               && modifiedNs == o.modifiedNs;
    }
};

/// The stamp of path; a zero stamp when it does not exist.
FileStamp StampOf(const std::string& path);

/// Waveforms read lately, up to a number of bytes of samples, so that refining a plot does
/// not read a long trace again. Not thread-safe: the catalog's lock guards it.
class WaveformCache {
public:
    explicit WaveformCache(size_t maxBytes) : maxBytes(maxBytes) { }
    /// The waveform of file (without ".wvf"), read now unless an unchanged copy is held; null
    /// when it cannot be read.
    std::shared_ptr<const Waveform> Get(const std::string& file);

private:
    struct Entry {
        std::string file;
        FileStamp stamp;
        std::shared_ptr<const Waveform> wave;
        size_t bytes;
    };
    size_t maxBytes;
    size_t held = 0;
    std::list<Entry> entries; ///< most recently used first
};

/// Shot sets by the query that named them, reused for a few seconds while the folders that
/// decide them (the shot paths, the shot list) are unchanged. Not thread-safe either.
class SetCache {
public:
    /// The set for key when held, current and young enough; else null.
    const std::vector<cli::ShotRef>* Find(const std::string& key,
                                          const std::vector<FileStamp>& stamps) const;
    void Keep(const std::string& key, std::vector<FileStamp> stamps,
              std::vector<cli::ShotRef> shots);

private:
    struct Entry {
        std::string key;
        std::vector<FileStamp> stamps;
        std::vector<cli::ShotRef> shots;
        std::chrono::steady_clock::time_point made;
    };
    std::list<Entry> entries;
};

} // namespace serve

#endif
