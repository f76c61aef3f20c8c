#pragma once

#include "campaign/PairDocument.h"
#include "options/ParsedCommandLine.h"
#include "outputs/HtmlPage.h"

#include <string>
#include <vector>

// -html with -manifest or -merge: the campaign's page, drawn from the very
// summary.json the campaign writes, with a link to every pair's own page
// and document. The libraries are read and the page's file is created with
// the object, before any pair runs; the page is written after the summary.
class CCampaignPage {
public:
    // `folder`: the campaign's folder (-outDir or -merge), where a relative
    // -html name lies.
    CCampaignPage(const CParsedCommandLine& options, const std::string& folder);

    // `summary` is the text of summary.json; `pairs` its documents.
    void Write(const std::string& summary, const std::vector<PairDocument>& pairs);

private:
    std::string folder;
    std::string path;
    PageLibraries libraries;
    CPageFile file;
};
