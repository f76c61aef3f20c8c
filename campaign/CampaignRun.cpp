#include "campaign/Campaign.h"

#include "campaign/CampaignConsole.h"
#include "campaign/CampaignFolder.h"
#include "campaign/CampaignPage.h"
#include "campaign/CampaignSummary.h"
#include "campaign/Manifest.h"

#include "outputs/JsonWriter.h"
#include "platform/ZarnikError.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// A file name's stem with only letters, digits, '.', '_' and '-' kept.
std::string SafeStem(const std::string& path) {
    std::string stem = fs::path(path).stem().string();
    for (char& c : stem) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') {
            c = '_';
        }
    }
    return stem;
}

// "0007-scene12_opj_r20": the row, zero-padded to at least four digits,
// and the original's and compressed file's stems (once, where the
// compressed one starts with the original's).
std::string DocumentStem(const ManifestRow& row, size_t rowCount) {
    const size_t digits = std::max<size_t>(4, std::to_string(rowCount - 1).size());
    std::string number = std::to_string(row.index);
    number.insert(0, digits - number.size(), '0');
    const std::string original = SafeStem(row.original);
    const std::string compressed = SafeStem(row.compressed);
    return number + "-" +
           (compressed.rfind(original, 0) == 0 ? compressed : original + "_" + compressed);
}

// One row's work: its names, its stamp and its options.
struct RowPlan {
    const ManifestRow* row = nullptr;
    std::string stem;
    std::string document; // path of the JSON document
    PairStamp stamp;
};

class CCampaignRun {
public:
    CCampaignRun(const CParsedCommandLine& campaignOptions, const PairRunner& pairRunner,
                 std::ostream& out)
        : options(campaignOptions), runPair(pairRunner), console(out),
          rows(ReadManifest(options.manifest)) {
        if (!options.htmlFile.empty()) {
            RefusePageOfARow();
        }
        PrepareOutputFolder(options.outDir);
        if (!options.htmlFile.empty()) {
            if (options.shardCount > 1) {
                // A shard writes no summary and so no campaign page, but
                // its pairs' pages need the libraries too.
                ReadPageLibraries();
            } else {
                page.emplace(options, options.outDir);
            }
        }
    }

    // The campaign's page may not take the name of a pair's own page.
    void RefusePageOfARow() const {
        const fs::path folder(options.outDir);
        const fs::path html(options.htmlFile);
        const fs::path campaignPage =
            (html.is_absolute() ? html : folder / html).lexically_normal();
        for (const ManifestRow& row : rows) {
            if ((folder / (DocumentStem(row, rows.size()) + ".html")).lexically_normal() ==
                campaignPage) {
                throw CZarnikError::Complete("-html " + options.htmlFile +
                                             " is the name of the page of manifest row " +
                                             std::to_string(row.index));
            }
        }
    }

    int Run() {
        std::vector<RowPlan> plans;
        std::vector<const RowPlan*> toRun;
        const size_t shards = static_cast<size_t>(std::max(1, options.shardCount));
        for (const ManifestRow& row : rows) {
            if (row.index % shards == static_cast<size_t>(options.shardIndex)) {
                plans.push_back(Plan(row));
            }
        }
        for (const RowPlan& plan : plans) {
            if (!Finished(plan)) {
                toRun.push_back(&plan);
            }
        }
        AnnounceStart(plans.size(), plans.size() - toRun.size(), shards);
        CCampaignConsole progress(console, toRun.size(), ::isatty(STDOUT_FILENO) != 0);
        for (const RowPlan* plan : toRun) {
            RunRow(*plan);
            progress.PairDone(Document(*plan));
        }
        progress.Finish();
        std::vector<PairDocument> documents;
        for (const RowPlan& plan : plans) {
            documents.push_back(Document(plan));
        }
        if (shards == 1) {
            const std::string summary =
                WriteSummaryFiles(options.outDir, documents, options.bdReference, {});
            if (page) {
                page->Write(summary, documents);
            }
        }
        console << documents.size() << " pairs: " << VerdictCounts(documents) << std::endl;
        return CampaignExitCode(documents);
    }

private:
    RowPlan Plan(const ManifestRow& row) const {
        RowPlan plan;
        plan.row = &row;
        plan.stem = DocumentStem(row, rows.size());
        plan.document = (fs::path(options.outDir) / (plan.stem + ".json")).string();
        plan.stamp = PairStamp{
            .manifest = options.manifest,
            .options = options.pairOptions,
            .rows = static_cast<int64_t>(rows.size()),
            .row = static_cast<int64_t>(row.index),
            .line = static_cast<int64_t>(row.line),
            .label = row.label,
            .group = row.group,
            .reader = row.useGdal.value_or(options.useGdal) ? "gdal" : "sdk",
            .original = StampOf(row.original),
            .compressed = StampOf(row.compressed),
            .verdict = "",
            .gateFailures = {},
        };
        return plan;
    }

    // A complete document of the same run; a pair that failed is run again.
    static bool Finished(const RowPlan& plan) {
        try {
            const PairDocument found = ParsePairDocument(ReadWholeFile(plan.document));
            return found.error.empty() && SameRun(found.stamp, plan.stamp);
        } catch (const std::exception&) {
            return false;
        }
    }

    void AnnounceStart(size_t mine, size_t kept, size_t shards) const {
        console << "Campaign " << options.manifest << ": " << rows.size() << " pairs";
        if (shards > 1) {
            console << ", shard " << options.shardIndex << "/" << shards << " has " << mine;
        }
        if (kept > 0) {
            console << ", " << kept << " kept from an earlier run";
        }
        console << std::endl;
    }

    PairDocument Document(const RowPlan& plan) const {
        PairDocument document = ParsePairDocument(ReadWholeFile(plan.document));
        document.fileName = fs::path(plan.document).filename().string();
        return document;
    }

    CParsedCommandLine PairOptions(const RowPlan& plan) const {
        CParsedCommandLine pair = options;
        const fs::path folder(options.outDir);
        const auto named = [&](const std::string& ending) {
            return ending.empty() ? std::string() : (folder / (plan.stem + ending)).string();
        };
        pair.originalFileName = plan.row->original;
        pair.compressedFileName = plan.row->compressed;
        pair.useGdal = plan.stamp.reader == "gdal";
        pair.jsonFile = named(".json");
        pair.tileValuesFile = named(options.tileValuesFile);
        pair.qualityMapFile = named(options.qualityMapFile);
        pair.htmlFile = options.htmlFile.empty() ? std::string() : named(".html");
        pair.bestPrefix = named("_best_");
        pair.worstPrefix = named("_worst_");
        return pair;
    }

    void RunRow(const RowPlan& plan) const {
        const fs::path partial = fs::path(options.outDir) / ("." + plan.stem + ".partial");
        const std::vector<std::string> inputs = {plan.row->original, plan.row->compressed};
        try {
            fs::remove_all(partial);
            fs::create_directories(partial);
            runPair(PairOptions(plan), partial.string(),
                    [&plan](CJsonWriter& json, const PairVerdict& verdict) {
                        PairStamp stamp = plan.stamp;
                        stamp.verdict = verdict.passed ? "passed" : "failed";
                        stamp.gateFailures = verdict.gateFailures;
                        json.Key("campaign");
                        WritePairStamp(json, stamp);
                    });
            RemoveOtherDocumentsOfRow(plan);
            MoveFinishedFiles(partial.string(), options.outDir, inputs);
        } catch (const std::exception& failure) {
            WriteErrorDocument(plan, partial, failure.what());
        } catch (const char* failure) {
            WriteErrorDocument(plan, partial, failure);
        }
    }

    void WriteErrorDocument(const RowPlan& plan, const fs::path& partial,
                            const std::string& message) const {
        fs::remove_all(partial);
        PairStamp stamp = plan.stamp;
        stamp.verdict = "error";
        CJsonWriter json;
        json.BeginObject();
        json.Key("schema");
        json.Integer(1);
        json.Key("error");
        json.String(message);
        json.Key("campaign");
        WritePairStamp(json, stamp);
        json.EndObject();
        RemoveOtherDocumentsOfRow(plan);
        WriteFileAtomically(plan.document, json.Text());
    }

    // A row whose files were renamed since an earlier run left a document
    // under another name; only this row's new one may stay.
    void RemoveOtherDocumentsOfRow(const RowPlan& plan) const {
        const std::string ours = fs::path(plan.document).filename().string();
        for (const std::string& name : PairDocumentNames(options.outDir)) {
            if (name != ours &&
                RowOfDocumentName(name) == static_cast<long long>(plan.row->index)) {
                fs::remove(fs::path(options.outDir) / name);
            }
        }
    }

    const CParsedCommandLine& options;
    const PairRunner& runPair;
    std::ostream& console;
    std::vector<ManifestRow> rows;
    std::optional<CCampaignPage> page;
};

} // namespace

int RunCampaign(const CParsedCommandLine& options, const PairRunner& runPair,
                std::ostream& console) {
    return CCampaignRun(options, runPair, console).Run();
}
