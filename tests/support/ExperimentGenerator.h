// ExperimentGenerator: writes an experiment's shot files directly, as the library would leave
// them, so that benchmarks can stand up experiments of 100,000 shots in seconds.
#ifndef TALVEX_TESTS_EXPERIMENTGENERATOR_H
#define TALVEX_TESTS_EXPERIMENTGENERATOR_H

#include <string>
#include <utility>
#include <vector>

namespace generator {

/// One shot: its name, its fields in file order (Date first, as CreateShot leaves it) and the
/// date stamp of its trace (empty: the trace image as given).
struct Shot {
    std::string name;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string traceDate;
};

/// The .wvf bytes of `points` samples (i % 17, 1 us apart) as Waveform::Write leaves them;
/// empty when no scratch file can be written into `scratchFolder`.
std::string TraceImage(const std::string& scratchFolder, int points);

/// The image with its date stamp replaced by `date`, which must be as long as the old stamp;
/// the image unchanged otherwise.
std::string WithTraceDate(const std::string& image, const std::string& date);

/// The shot of the benchmarks: Date, then Field0..Field<fields-1> holding index * fields + k.
Shot NumberedShot(long index, const std::string& date, int fields);

/// Creates experiment `folder` (its settings file, Macros, Query and Shots) with the shots in
/// order: each shot's folder, Scalars.ini and trace `<traceName>.wvf` (skipped when the image is
/// empty), and one ScalarCache.ini holding every shot's section. False when a file or folder
/// cannot be written. Native paths only.
bool WriteExperiment(const std::string& folder, const std::vector<Shot>& shots,
                     const std::string& traceName, const std::string& traceImage);

/// The settings-file text of one section, as the library writes it (CRLF between lines, none
/// after the last).
std::string SectionText(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& keys);

} // namespace generator

#endif
