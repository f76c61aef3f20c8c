#include "outputs/HtmlPage.h"

#include "outputs/HtmlAssets.h"
#include "platform/ZarnikError.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string LibraryFolder() {
    const char* const folder = std::getenv("ZARNIK_JAVASCRIPT_DIR");
    return folder != nullptr && *folder != '\0' ? folder : "/usr/share/javascript";
}

// The first of `names` in `folder` that can be read: the minified files
// first, as they make the page smaller.
std::string ReadLibrary(const std::string& folder, std::initializer_list<const char*> names,
                        const char* library, const char* package) {
    for (const char* name : names) {
        std::ifstream file(folder + "/" + name, std::ios::binary);
        std::ostringstream text;
        if (file && text << file.rdbuf() && !text.str().empty()) {
            return text.str();
        }
    }
    throw CZarnikError::Complete(std::string("The HTML report needs ") + library +
                                 " from the package " + package + ": " + folder + "/" +
                                 *names.begin() + " cannot be read");
}

bool StartsWithTag(std::string_view text, size_t at, std::string_view tag) {
    if (text.size() - at < tag.size()) {
        return false;
    }
    for (size_t i = 0; i < tag.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != tag[i]) {
            return false;
        }
    }
    return true;
}

// Only "</script" and "</style" end a <script> or <style> element early; in
// scripts and style sheets "<\/" means the same as "</".
std::string Inlined(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find("</"); at != std::string_view::npos; at = text.find("</", at + 2)) {
        if (StartsWithTag(text, at + 2, "script") || StartsWithTag(text, at + 2, "style")) {
            safe.append(text.substr(from, at + 1 - from));
            safe += '\\';
            from = at + 1;
        }
    }
    safe.append(text.substr(from));
    return safe;
}

// JSON in a <script type="application/json"> element: '<' appears only
// inside strings there, where \u003c stands for it.
void AppendInlinedJson(std::string& page, std::string_view json) {
    size_t from = 0;
    for (size_t at = json.find('<'); at != std::string_view::npos; at = json.find('<', from)) {
        page.append(json.substr(from, at - from));
        page += "\\u003c";
        from = at + 1;
    }
    page.append(json.substr(from));
}

std::string HtmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void AppendDataElements(std::string& page, const std::vector<PageData>& data) {
    for (const auto& [id, json] : data) {
        page += "<script type=\"application/json\" id=\"" + HtmlEscaped(id) + "\">";
        AppendInlinedJson(page, json);
        page += "</script>\n";
    }
}

// "{{NAME}}" in the skeleton becomes the text of NAME, and {{DATA}} the data
// elements; the texts put in are not searched again. The page is built in
// one buffer: its data may be megabytes of pictures.
std::string Filled(std::string_view skeleton,
                   const std::vector<std::pair<std::string_view, std::string>>& texts,
                   const std::vector<PageData>& data) {
    size_t size = skeleton.size();
    for (const auto& piece : texts) {
        size += piece.second.size();
    }
    for (const auto& piece : data) {
        size += piece.second.size() + 100;
    }
    std::string page;
    page.reserve(size);
    size_t from = 0;
    for (size_t open = skeleton.find("{{"); open != std::string_view::npos;
         open = skeleton.find("{{", from)) {
        const size_t close = skeleton.find("}}", open);
        const std::string_view name = skeleton.substr(open + 2, close - open - 2);
        page.append(skeleton.substr(from, open - from));
        if (name == "DATA") {
            AppendDataElements(page, data);
        }
        for (const auto& [key, text] : texts) {
            if (key == name) {
                page += text;
            }
        }
        from = close + 2;
    }
    page.append(skeleton.substr(from));
    return page;
}

} // namespace

PageLibraries ReadPageLibraries() {
    const std::string folder = LibraryFolder();
    return PageLibraries{
        .chartScript = ReadLibrary(folder, {"chart.js/chart.min.js", "chart.js/chart.js"},
                                   "Chart.js", "libjs-chart.js"),
        .leafletScript = ReadLibrary(folder, {"leaflet/leaflet.min.js", "leaflet/leaflet.js"},
                                     "Leaflet", "libjs-leaflet"),
        .leafletStyle =
            ReadLibrary(folder, {"leaflet/leaflet.css"}, "Leaflet's style", "libjs-leaflet"),
    };
}

std::string AssemblePage(PageKind kind, std::string_view title, const PageLibraries& libraries,
                         const std::vector<PageData>& data) {
    const std::string_view script = kind == PageKind::Run ? kHtmlRunScript : kHtmlCampaignScript;
    return Filled(kHtmlPageSkeleton,
                  {
                      {"TITLE", HtmlEscaped(title)},
                      {"LIBRARY_STYLE", Inlined(libraries.leafletStyle)},
                      {"STYLE", Inlined(kHtmlStyle)},
                      {"CHART_SCRIPT", Inlined(libraries.chartScript)},
                      {"LEAFLET_SCRIPT", Inlined(libraries.leafletScript)},
                      {"COMMON_SCRIPT", Inlined(kHtmlCommonScript)},
                      {"SCRIPT", Inlined(script)},
                  },
                  data);
}

CPageFile::CPageFile(std::string fileName, std::string what)
    : partial(std::move(fileName)), description(std::move(what)) {
    FILE* const file = std::fopen(partial.TemporaryName().c_str(), "wb");
    if (file != nullptr) {
        std::fclose(file);
    }
    if (file == nullptr || std::filesystem::is_directory(partial.FinalName())) {
        throw CZarnikError::Detail("Unable to create " + description + " " + partial.FinalName());
    }
}

void CPageFile::Commit(const std::string& text) {
    FILE* const file = std::fopen(partial.TemporaryName().c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = file != nullptr && std::fclose(file) == 0 && written;
    if (!written || !partial.Commit()) {
        throw CZarnikError::Detail("Unable to write " + description + " " + partial.FinalName());
    }
}
