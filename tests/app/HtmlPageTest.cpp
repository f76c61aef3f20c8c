#include "tests/app/ProgramFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The text of the page's <script type="application/json" id="`id`">, with the
// one escape the page adds taken back.
std::string EmbeddedJson(const std::string& page, const std::string& id) {
    const std::string open = "<script type=\"application/json\" id=\"" + id + "\">";
    const size_t from = page.find(open);
    if (from == std::string::npos) {
        return "";
    }
    std::string json =
        page.substr(from + open.size(), page.find("</script>", from) - from - open.size());
    for (size_t at = json.find("\\u003c"); at != std::string::npos; at = json.find("\\u003c")) {
        json.replace(at, 6, "<");
    }
    return json;
}

// Files the page left under a temporary name.
int PartialFiles(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().filename().string().starts_with(".partial-") ? 1 : 0;
    }
    return count;
}

using HtmlPage = Program;

// The page is whole and carries the run's own JSON document, or it is not
// there at all: a name that cannot be written and a missing library stop
// the run before the first tile, a run that fails later leaves an earlier
// page of the same name as it was.
TEST_F(HtmlPage, AppearsWholeOnlyWhenTheRunCompletes) {
    const fs::path noLibraries = folder.Path() / "no-libraries";
    fs::create_directory(noLibraries);
    struct Case {
        Lines arguments;
        std::string libraries; // ZARNIK_JAVASCRIPT_DIR; empty: the system's
        int exitCode;
        std::string output; // what standard output starts with
        std::string page;   // what p.html holds afterwards, "document": the JSON
    };
    const Case cases[] = {
        {{"-html", "p.html", "-json", "r.json"}, "", 0, "\r1 of 2", "document"},
        {{"-html", "none/p.html"},
         "",
         2,
         "Error occured. Details: Unable to create HTML report none/p.html\n",
         "earlier page"},
        {{"-html", "p.html"},
         noLibraries.string(),
         2,
         "Error occured. Details: The HTML report needs Chart.js from the package "
         "libjs-chart.js: " +
             noLibraries.string() + "/chart.js/chart.min.js cannot be read\n",
         "earlier page"},
        {{"-tn", "2", "-html", "p.html", "-json", "/dev/full"}, "", 2, "\r1 of 2", "earlier page"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        std::ofstream(folder.File("p.html")) << "earlier page";
        if (!c.libraries.empty()) {
            setenv("ZARNIK_JAVASCRIPT_DIR", c.libraries.c_str(), 1);
        }
        const ProgramRun run = Run(c.arguments);
        unsetenv("ZARNIK_JAVASCRIPT_DIR");
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(run.output.substr(0, c.output.size()), c.output);
        EXPECT_EQ(run.errors, "");
        const std::string page = ReadText(folder.File("p.html"));
        if (c.page == "document") {
            EXPECT_EQ(EmbeddedJson(page, "document"), ReadText(folder.File("r.json")));
            EXPECT_EQ(page.rfind("</html>\n"), page.size() - 8);
        } else {
            EXPECT_EQ(page, c.page);
        }
        EXPECT_EQ(PartialFiles(folder.Path()), 0);
    }
}

} // namespace
