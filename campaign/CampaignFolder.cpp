#include "campaign/CampaignFolder.h"

#include "platform/PartialFile.h"
#include "platform/ZarnikError.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool IsDocumentName(const std::string& name) {
    const size_t dash = name.find('-');
    return dash != std::string::npos && dash > 0 &&
           std::all_of(name.begin(), name.begin() + static_cast<long>(dash),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) &&
           name.size() > dash + 5 && name.compare(name.size() - 5, 5, ".json") == 0;
}

} // namespace

void PrepareOutputFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        throw CZarnikError::Complete("Unable to create output folder " + folder);
    }
    const std::string probe = PartialNameFor((fs::path(folder) / "probe").string());
    FILE* const file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        throw CZarnikError::Complete("Unable to write in output folder " + folder);
    }
    std::fclose(file);
    std::remove(probe.c_str());
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
    CPartialFile partial(path);
    FILE* const file = std::fopen(partial.TemporaryName().c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = file != nullptr && std::fclose(file) == 0 && written;
    if (!written || !partial.Commit()) {
        throw CZarnikError::Complete("Unable to write " + path);
    }
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file || fs::is_directory(path)) {
        throw CZarnikError::Complete("Unable to read " + path);
    }
    return text.str();
}

std::vector<std::string> PairDocumentNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && IsDocumentName(name)) {
            names.push_back(name);
        }
    }
    if (error) {
        throw CZarnikError::Complete("Unable to read the folder " + folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

long long RowOfDocumentName(const std::string& name) {
    return std::stoll(name.substr(0, name.find('-')));
}

void MoveFinishedFiles(const std::string& from, const std::string& to,
                       const std::vector<std::string>& keep) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(from)) {
        files.push_back(entry.path());
    }
    // The JSON document tells that the pair is complete, so it comes last.
    std::stable_partition(files.begin(), files.end(),
                          [](const fs::path& file) { return file.extension() != ".json"; });
    for (const fs::path& file : files) {
        const fs::path target = fs::path(to) / file.filename();
        for (const std::string& kept : keep) {
            std::error_code ignored;
            if (fs::equivalent(target, kept, ignored)) {
                throw CZarnikError::Complete("The output " + target.string() +
                                             " would replace an input of the campaign");
            }
        }
        std::error_code error;
        fs::rename(file, target, error);
        if (error) {
            throw CZarnikError::Complete("Unable to write " + target.string());
        }
    }
    fs::remove(from);
}
