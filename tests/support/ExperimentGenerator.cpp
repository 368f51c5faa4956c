// ExperimentGenerator: an experiment's shot files written directly, byte for byte as the library
// writes them.
#include "ExperimentGenerator.h"

#include "Waveform.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace generator {

namespace {

const char* const kLineEnd = "\r\n";

bool WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// True when `date` has the shape of the library's date text (digits where digits go).
bool LooksLikeDate(const std::string& image, size_t at, size_t length)
{
    const char shape[] = "00/00/0000 00:00:00";
    if (length != sizeof shape - 1 || at + length > image.size())
        return false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(image[at + i]);
        if (shape[i] == '0' ? !std::isdigit(c) : c != static_cast<unsigned char>(shape[i]))
            return false;
    }
    return true;
}

} // namespace

std::string SectionText(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& keys)
{
    std::string text = "[" + section + "]";
    for (const auto& key : keys)
        text += kLineEnd + key.first + "=" + key.second;
    return text;
}

std::string TraceImage(const std::string& scratchFolder, int points)
{
    Waveform w(points);
    for (int i = 0; i < points; ++i)
        w[i] = float(i % 17);
    w.step = 1e-6f;
    w.Scale();
    const fs::path scratch = fs::path(scratchFolder) / "trace-image";
    if (!w.Write(scratch.string().c_str()))
        return std::string();
    fs::path file = scratch;
    file += ".wvf";
    std::string image = ReadFile(file);
    std::error_code ec;
    fs::remove(file, ec);
    return image;
}

std::string WithTraceDate(const std::string& image, const std::string& date)
{
    // The stamp is a 16-bit length followed by the text, in the header.
    for (size_t i = 0; i + 2 < image.size() && i < 512; ++i) {
        const size_t length = size_t(static_cast<unsigned char>(image[i]))
                              | size_t(static_cast<unsigned char>(image[i + 1])) << 8;
        if (length == date.size() && LooksLikeDate(image, i + 2, length))
            return image.substr(0, i + 2) + date + image.substr(i + 2 + length);
    }
    return image;
}

Shot NumberedShot(long index, const std::string& date, int fields)
{
    Shot shot;
    shot.name = std::to_string(index);
    shot.fields.emplace_back("Date", date);
    for (int k = 0; k < fields; ++k)
        shot.fields.emplace_back("Field" + std::to_string(k), std::to_string(index * fields + k));
    return shot;
}

bool WriteExperiment(const std::string& folder, const std::vector<Shot>& shots,
                     const std::string& traceName, const std::string& traceImage)
{
    const fs::path root(folder);
    const fs::path shotPath = root / "Shots";
    std::error_code ec;
    for (const char* sub : {"Macros", "Query", "Shots"})
        fs::create_directories(root / sub, ec);
    if (ec || !WriteFile(root / (root.filename().string() + ".ini"), std::string()))
        return false;
    std::string cache;
    for (const Shot& shot : shots) {
        const fs::path shotFolder = shotPath / ("Shot" + shot.name);
        if (!fs::create_directory(shotFolder, ec) && ec)
            return false;
        if (!WriteFile(shotFolder / "Scalars.ini", SectionText("Fields", shot.fields)))
            return false;
        if (!traceImage.empty()) {
            const std::string image = shot.traceDate.empty()
                                          ? traceImage
                                          : WithTraceDate(traceImage, shot.traceDate);
            if (!WriteFile(shotFolder / (traceName + ".wvf"), image))
                return false;
        }
        if (!cache.empty())
            cache += kLineEnd;
        cache += SectionText("Shot" + shot.name, shot.fields);
    }
    return shots.empty() || WriteFile(shotPath / "ScalarCache.ini", cache);
}

} // namespace generator
