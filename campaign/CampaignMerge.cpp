#include "campaign/Campaign.h"

#include "platform/ZarnikError.h"

#include "campaign/CampaignFolder.h"
#include "campaign/CampaignPage.h"
#include "campaign/CampaignSummary.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#ifndef ZARNIK_VERSION
#error "ZARNIK_VERSION is set by the build from the project's version"
#endif

namespace {

// "1, 4-7, 9": consecutive rows as ranges.
std::string RowList(const std::vector<int64_t>& rows) {
    std::string text;
    for (size_t i = 0; i < rows.size(); ++i) {
        size_t last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1) {
            ++last;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(rows[i]);
        if (last > i) {
            text += '-';
            text += std::to_string(rows[last]);
        }
        i = last;
    }
    return text;
}

std::vector<PairDocument> ReadDocuments(const std::string& folder) {
    const std::vector<std::string> names = PairDocumentNames(folder);
    if (names.empty()) {
        throw CZarnikError::Complete("No pair documents in " + folder);
    }
    std::vector<PairDocument> documents;
    for (const std::string& name : names) {
        const std::string path = (std::filesystem::path(folder) / name).string();
        try {
            documents.push_back(ParsePairDocument(ReadWholeFile(path)));
        } catch (const std::exception& failure) {
            throw CZarnikError::Complete(path +
                                         " is not a campaign pair's document: " + failure.what());
        }
        documents.back().fileName = name;
    }
    return documents;
}

void CheckOneCampaign(const std::vector<PairDocument>& documents, const std::string& folder) {
    std::string strangers;
    for (const PairDocument& document : documents) {
        if (!SameCampaign(document.stamp, documents.front().stamp)) {
            strangers += (strangers.empty() ? "" : ", ") + document.fileName;
        }
    }
    if (!strangers.empty()) {
        throw CZarnikError::Complete("Documents of another campaign in " + folder + ": " +
                                     strangers + " (manifest, options or row count differ from " +
                                     documents.front().fileName + ")");
    }
    for (size_t i = 1; i < documents.size(); ++i) {
        if (documents[i].stamp.row == documents[i - 1].stamp.row) {
            throw CZarnikError::Complete(
                "Row " + std::to_string(documents[i].stamp.row) + " has two documents in " +
                folder + ": " + documents[i - 1].fileName + " and " + documents[i].fileName);
        }
    }
}

std::vector<int64_t> MissingRows(const std::vector<PairDocument>& documents) {
    std::vector<int64_t> missing;
    size_t next = 0;
    for (int64_t row = 0; row < documents.front().stamp.rows; ++row) {
        if (next < documents.size() && documents[next].stamp.row == row) {
            ++next;
        } else {
            missing.push_back(row);
        }
    }
    return missing;
}

} // namespace

std::string VerdictCounts(const std::vector<PairDocument>& pairs) {
    const auto count = [&](const char* verdict) {
        return std::to_string(std::count_if(pairs.begin(), pairs.end(), [&](const auto& pair) {
            return pair.stamp.verdict == verdict;
        }));
    };
    return count("passed") + " passed, " + count("failed") + " failed a gate, " + count("error") +
           " failed to run";
}

std::string WriteSummaryFiles(const std::string& folder, const std::vector<PairDocument>& pairs,
                              const std::string& bdReference,
                              const std::vector<int64_t>& missingRows) {
    const PairStamp& stamp = pairs.front().stamp;
    const SummaryFacts facts{
        .version = ZARNIK_VERSION,
        .manifest = stamp.manifest,
        .options = stamp.options,
        .rows = stamp.rows,
        .bdReference = bdReference,
        .missingRows = missingRows,
    };
    const std::filesystem::path place(folder);
    WriteFileAtomically((place / "summary.csv").string(), SummaryCsv(pairs));
    const std::string summary = SummaryJson(pairs, facts);
    WriteFileAtomically((place / "summary.json").string(), summary);
    return summary;
}

int MergeCampaign(const CParsedCommandLine& options, std::ostream& console) {
    const std::string& folder = options.mergeFolder;
    std::optional<CCampaignPage> page;
    if (!options.htmlFile.empty()) {
        page.emplace(options, folder);
    }
    std::vector<PairDocument> documents = ReadDocuments(folder);
    std::stable_sort(
        documents.begin(), documents.end(),
        [](const PairDocument& a, const PairDocument& b) { return a.stamp.row < b.stamp.row; });
    CheckOneCampaign(documents, folder);
    const std::vector<int64_t> missing = MissingRows(documents);
    if (!missing.empty() && !options.allowPartial) {
        throw CZarnikError::Complete("Rows missing in " + folder + ": " + RowList(missing) +
                                     " (-allowPartial summarises the rows there are)");
    }
    const std::string summary = WriteSummaryFiles(folder, documents, options.bdReference, missing);
    if (page) {
        page->Write(summary, documents);
    }
    console << "Merged " << documents.size() << " of " << documents.front().stamp.rows
            << " pairs: " << VerdictCounts(documents) << std::endl;
    if (!missing.empty()) {
        console << "Rows missing: " << RowList(missing) << std::endl;
    }
    return CampaignExitCode(documents);
}
