#include "campaign/CampaignPage.h"

#include "outputs/JsonWriter.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string PagePath(const CParsedCommandLine& options, const std::string& folder) {
    const fs::path page(options.htmlFile);
    return page.is_absolute() ? page.string() : (fs::path(folder) / page).string();
}

// `name` in the campaign's folder as the page links to it.
std::string LinkFrom(const std::string& page, const std::string& folder, const std::string& name) {
    const fs::path target = fs::absolute(fs::path(folder) / name).lexically_normal();
    return target.lexically_relative(fs::absolute(page).lexically_normal().parent_path()).string();
}

// Per row, the links to its document and, where one was written, its page.
std::string LinksJson(const std::string& page, const std::string& folder,
                      const std::vector<PairDocument>& pairs) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("links");
    json.BeginObject();
    for (const PairDocument& pair : pairs) {
        json.Key(std::to_string(pair.stamp.row));
        json.BeginObject();
        json.Key("document");
        json.String(LinkFrom(page, folder, pair.fileName));
        const std::string pairPage = fs::path(pair.fileName).replace_extension(".html").string();
        json.Key("page");
        if (fs::is_regular_file(fs::path(folder) / pairPage)) {
            json.String(LinkFrom(page, folder, pairPage));
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndObject();
    json.EndObject();
    return json.Text();
}

} // namespace

CCampaignPage::CCampaignPage(const CParsedCommandLine& options, const std::string& campaignFolder)
    : folder(campaignFolder), path(PagePath(options, campaignFolder)),
      libraries(ReadPageLibraries()), file(path, "campaign page") {}

void CCampaignPage::Write(const std::string& summary, const std::vector<PairDocument>& pairs) {
    const std::string title =
        "Zarnik campaign: " + (pairs.empty()
                                   ? std::string()
                                   : fs::path(pairs.front().stamp.manifest).filename().string());
    const std::string links = LinksJson(path, folder, pairs);
    file.Commit(AssemblePage(PageKind::Campaign, title, libraries,
                             {{"summary", summary}, {"page", links}}));
}
