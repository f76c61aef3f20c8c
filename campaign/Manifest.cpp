#include "campaign/Manifest.h"

#include "platform/ZarnikError.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const std::array<std::string, 5> kColumns = {"original", "compressed", "label", "group", "reader"};

class CManifestReader {
public:
    explicit CManifestReader(std::string fileName)
        : name(std::move(fileName)), folder(std::filesystem::path(name).parent_path()) {}

    std::vector<ManifestRow> Read() {
        std::ifstream file(name, std::ios::binary);
        if (!file || std::filesystem::is_directory(name)) {
            throw CZarnikError::Complete("Unable to open manifest " + name);
        }
        std::vector<ManifestRow> rows;
        size_t lineNumber = 0;
        for (std::string line; std::getline(file, line);) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.find_first_not_of(" \t") == std::string::npos || line.front() == '#') {
                continue;
            }
            if (columns.empty()) {
                ReadHeader(Fields(line, lineNumber), lineNumber);
            } else {
                rows.push_back(Row(Fields(line, lineNumber), lineNumber, rows.size()));
                CheckNotRepeated(rows.back());
            }
        }
        if (file.bad()) {
            throw CZarnikError::Complete("Unable to read manifest " + name);
        }
        if (columns.empty()) {
            throw CZarnikError::Complete("Manifest " + name + " has no header line");
        }
        if (rows.empty()) {
            throw CZarnikError::Complete("Manifest " + name + " has no rows");
        }
        return rows;
    }

private:
    [[noreturn]] void Fail(size_t line, const std::string& what) const {
        throw CZarnikError::Complete("Manifest " + name + " line " + std::to_string(line) + ": " +
                                     what);
    }

    std::vector<std::string> Fields(const std::string& line, size_t lineNumber) const {
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"' && (quoted || fields.back().empty())) {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        if (quoted) {
            Fail(lineNumber, "a quoted field is not closed");
        }
        return fields;
    }

    void ReadHeader(const std::vector<std::string>& fields, size_t line) {
        for (const std::string& untrimmed : fields) {
            const std::string field = Trim(untrimmed);
            if (std::find(kColumns.begin(), kColumns.end(), field) == kColumns.end()) {
                Fail(line, "unknown column '" + field +
                               "' (known: original, compressed, label, group, reader)");
            }
            if (!columns.emplace(field, columns.size()).second) {
                Fail(line, "the column '" + field + "' appears twice");
            }
        }
        for (const char* required : {"original", "compressed"}) {
            if (columns.count(required) == 0) {
                Fail(line, std::string("the header lacks the column '") + required + "'");
            }
        }
        fieldCount = fields.size();
    }

    std::string Path(const std::string& field) const {
        const std::filesystem::path path(field);
        return path.is_absolute() || folder.empty() ? field : (folder / path).string();
    }

    ManifestRow Row(const std::vector<std::string>& fields, size_t line, size_t index) const {
        if (fields.size() != fieldCount) {
            Fail(line, std::to_string(fields.size()) + " fields where the header has " +
                           std::to_string(fieldCount));
        }
        const auto field = [&](const std::string& column) {
            const auto found = columns.find(column);
            return found == columns.end() ? std::string() : fields[found->second];
        };
        ManifestRow row;
        row.index = index;
        row.line = line;
        for (const char* required : {"original", "compressed"}) {
            if (field(required).empty()) {
                Fail(line, std::string("the ") + required + " file is empty");
            }
        }
        row.original = Path(field("original"));
        row.compressed = Path(field("compressed"));
        row.label = field("label");
        row.group = field("group").empty() ? row.original : field("group");
        const std::string reader = field("reader");
        if (reader == "gdal" || reader == "sdk") {
            row.useGdal = reader == "gdal";
        } else if (!reader.empty()) {
            Fail(line, "the reader must be gdal or sdk, not '" + reader + "'");
        }
        return row;
    }

    void CheckNotRepeated(const ManifestRow& row) {
        const auto key = std::make_pair(row.original + '\n' + row.compressed, row.useGdal);
        const auto [earlier, added] = seen.emplace(key, row.line);
        if (!added) {
            Fail(row.line, "repeats the pair of line " + std::to_string(earlier->second) + " (" +
                               row.original + ", " + row.compressed + ")");
        }
    }

    std::string name;
    std::filesystem::path folder;
    std::map<std::string, size_t> columns;
    size_t fieldCount = 0;
    std::map<std::pair<std::string, std::optional<bool>>, size_t> seen;
};

} // namespace

std::vector<ManifestRow> ReadManifest(const std::string& fileName) {
    return CManifestReader(fileName).Read();
}
