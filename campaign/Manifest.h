#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One pair of a campaign, as its manifest row names it.
struct ManifestRow {
    size_t index = 0; // 0-based among the rows, in manifest order
    size_t line = 0;  // 1-based line of the manifest file
    std::string original;
    std::string compressed;
    std::string label;
    std::string group;
    // Set by a "reader" column: true for "gdal", false for "sdk".
    std::optional<bool> useGdal;
};

// A campaign's manifest: CSV with a header naming the columns `original` and
// `compressed` (required), `label`, `group` and `reader` (optional), in any
// order. Fields may be quoted ("a, b" and "say ""x""") but not span lines.
// Blank lines and lines starting with '#' are skipped. Relative paths are
// taken from the manifest's folder; the group defaults to the original's
// path. Anything unusable throws CZarnikError naming the line.
std::vector<ManifestRow> ReadManifest(const std::string& fileName);
