#include "outputs/OutputClashCheck.h"

#include "outputs/QualityMapFiles.h"
#include "platform/ZarnikError.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A file named on the command line, or one the program writes beside one.
struct NamedFile {
    std::string option; // as the message names it, e.g. "-qualityMap's quick look"
    std::string name;
    bool output;
};

// The absolute path with the folder's symbolic links resolved; the name as
// given when even that fails.
std::string ResolvedPath(const std::string& name) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(name, error), error);
    return error ? name : resolved.string();
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    const bool firstExists = ::stat(first.c_str(), &a) == 0;
    const bool secondExists = ::stat(second.c_str(), &b) == 0;
    if (firstExists || secondExists) {
        return firstExists && secondExists && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    return ResolvedPath(first) == ResolvedPath(second);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// True when a tile file of `prefix` could be named `name`.
bool TileFileCouldBe(const std::string& prefix, const std::string& name) {
    const fs::path prefixPath(prefix);
    const fs::path folder = prefixPath.has_filename() ? prefixPath.parent_path() : prefixPath;
    const std::string start = prefixPath.filename().string() + "a_";
    const fs::path file(ResolvedPath(name));
    const std::string fileName = file.filename().string();
    const fs::path tileFolder = fs::path(ResolvedPath((folder / "tile").string())).parent_path();
    return file.parent_path() == tileFolder && fileName.compare(0, start.size(), start) == 0 &&
           fileName.find("__", start.size()) != std::string::npos &&
           (EndsWith(fileName, "_o.tiff") || EndsWith(fileName, "_c.tiff"));
}

std::vector<NamedFile> NamedFiles(const CParsedCommandLine& options) {
    std::vector<NamedFile> files = {
        {"-i", options.originalFileName, false},
        {"-c", options.compressedFileName, false},
        {"the mask of -i", options.originalFileName + ".msk", false},
        {"-useRegions", options.useRegions, false},
        {"-json", options.jsonFile, true},
        {"-tileValues", options.tileValuesFile, true},
        {"-saveRegions", options.saveRegions, true},
        {"-html", options.htmlFile, true},
    };
    if (!options.qualityMapFile.empty()) {
        const std::vector<std::string> map = QualityMapFileNames(options.qualityMapFile);
        const char* const labels[] = {"-qualityMap", "-qualityMap's quick look",
                                      "-qualityMap's world file",
                                      "-qualityMap's coordinate system file"};
        for (size_t file = 0; file < map.size(); ++file) {
            files.push_back({labels[file], map[file], true});
        }
    }
    std::erase_if(files,
                  [](const NamedFile& file) { return file.name.empty() || file.name == "-"; });
    return files;
}

void CheckPrefix(const std::string& option, const std::string& prefix,
                 const std::vector<NamedFile>& files) {
    for (const NamedFile& file : files) {
        if (TileFileCouldBe(prefix, file.name)) {
            throw CZarnikError::Detail(option + " and " + file.option + " may name the same file " +
                                       file.name);
        }
    }
}

} // namespace

void CheckOutputClashes(const CParsedCommandLine& options) {
    const std::vector<NamedFile> files = NamedFiles(options);
    for (size_t later = 0; later < files.size(); ++later) {
        for (size_t earlier = 0; earlier < later; ++earlier) {
            const NamedFile& first = files[earlier];
            const NamedFile& second = files[later];
            if ((first.output || second.output) && SameFile(first.name, second.name)) {
                throw CZarnikError::Detail(second.option + " and " + first.option +
                                           " name the same file " + second.name);
            }
        }
    }
    if (options.bestCount > 0) {
        CheckPrefix("-bestPrefix", options.bestPrefix, files);
    }
    if (options.worstCount > 0) {
        CheckPrefix("-worstPrefix", options.worstPrefix, files);
    }
}
