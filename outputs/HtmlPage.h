#pragma once

#include "platform/PartialFile.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The pieces every HTML page of the program is made of: the page's own
// skeleton, style and script (outputs/html/, built into the program), the
// chart and map libraries (read where the system installed them), and the
// JSON texts the page's script renders. A page makes no request: everything
// is inlined, and its content security policy forbids anything else.

// Chart.js and Leaflet, as the packages libjs-chart.js and libjs-leaflet
// install them under /usr/share/javascript (or the folder the environment
// variable ZARNIK_JAVASCRIPT_DIR names).
struct PageLibraries {
    std::string chartScript;
    std::string leafletScript;
    std::string leafletStyle;
};

// Throws a CZarnikError naming the package when a library cannot be read.
PageLibraries ReadPageLibraries();

enum class PageKind { Run, Campaign };

// A JSON text the page reads by its id, e.g. {"document", <the JSON report>}.
using PageData = std::pair<std::string, std::string_view>;

// The whole page of `kind`, titled `title`, with `data` for its script.
std::string AssemblePage(PageKind kind, std::string_view title, const PageLibraries& libraries,
                         const std::vector<PageData>& data);

// A page file, written under a temporary name beside it and renamed into
// place once complete: a run that fails leaves no page, and an earlier page
// of the same name stays until the new one is whole. The temporary file is
// created with the object, so a name that cannot be written fails at once.
class CPageFile {
public:
    // `what` names the file in messages: "Unable to create <what> <name>".
    CPageFile(std::string fileName, std::string what);

    // Writes `text` and renames the file into place; throws when any of it failed.
    void Commit(const std::string& text);

private:
    CPartialFile partial;
    std::string description;
};
