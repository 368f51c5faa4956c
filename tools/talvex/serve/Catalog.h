// Catalog: the experiment as the server answers about it, every library call behind one lock.
#ifndef TALVEX_SERVE_CATALOG_H
#define TALVEX_SERVE_CATALOG_H

#include "Confine.h"
#include "ReadCache.h"

#include <nlohmann/json.hpp>

#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace serve {

using Json = nlohmann::ordered_json;

/// A request that cannot be answered: the HTTP status, one line for the client and, for a
/// malformed expression or condition, the 0-based offset of the fault (-1 when none).
class ApiError : public std::runtime_error {
public:
    ApiError(int status, const std::string& message, int position = -1)
        : std::runtime_error(message), status(status), position(position)
    {
    }
    int status;
    int position;
};

/// Which shots a request names and which of them it wants.
struct ShotQuery {
    std::string spec;  ///< a shot name, a wildcard or a range A:B; empty: every shot
    std::string list;  ///< a shot list's name instead of spec
    std::string data;  ///< keep the shots holding this data object
    std::string where; ///< a condition in the condition language
    /// "shot", "group", "date", "comment" or a field name; a leading '-' sorts descending.
    /// Empty: the experiment's own order.
    std::string sort;
    std::vector<std::string> fields; ///< fields to give for each shot ("*": all of them)
    size_t offset = 0;
    size_t limit = 100;
};

/// What a data request asks for beyond the header.
struct DataQuery {
    bool samples = false; ///< the values as little-endian float32 (format=f32)
    size_t points = 0;    ///< a min/max decimation to at most 2 * points points
    double from = 0, to = 0;
    bool window = false; ///< from/to limit the decimated time range
};

/// A binary or JSON answer with its extra headers.
struct Payload {
    std::string body;
    std::string contentType;
    std::vector<std::pair<std::string, std::string>> headers;
};

/// The selected experiment (Expt) served read-only. Every member may be called from any
/// thread: they take turns on one lock, because the library keeps one current shot.
class Catalog {
public:
    /// After the experiment is selected: notes the folders that served files may lie in.
    Catalog();

    Json Experiment();
    Json Shots(const ShotQuery& query);
    Json Eval(const ShotQuery& query, const std::string& expr);
    Json Shot(const std::string& shot);
    Json DataList(const std::string& shot);
    Payload Data(const std::string& shot, const std::string& name, const DataQuery& query);

private:
    std::mutex lock;
    Confinement confinement;
    WaveformCache waves {size_t(512) << 20};
    SetCache sets;
};

} // namespace serve

#endif
