#include "campaign/PairStamp.h"

#include "platform/ZarnikError.h"

#include "outputs/JsonWriter.h"

#include <sys/stat.h>

namespace {

void WriteInput(CJsonWriter& json, const InputFileStamp& input) {
    json.BeginObject();
    json.Key("path");
    json.String(input.path);
    json.Key("bytes");
    if (input.bytes) {
        json.Integer(*input.bytes);
    } else {
        json.Null();
    }
    json.Key("modified");
    json.String(input.modified);
    json.EndObject();
}

const CJsonValue& Member(const CJsonValue& object, const std::string& key) {
    const CJsonValue* const value = object.Find(key);
    if (value == nullptr) {
        throw CZarnikError::Detail("its campaign record lacks \"" + key + "\"");
    }
    return *value;
}

std::string Text(const CJsonValue& object, const std::string& key) {
    const auto text = Member(object, key).AsString();
    if (!text) {
        throw CZarnikError::Detail("its campaign record's \"" + key + "\" is no text");
    }
    return *text;
}

int64_t Integer(const CJsonValue& object, const std::string& key) {
    const auto number = Member(object, key).AsInteger();
    if (!number) {
        throw CZarnikError::Detail("its campaign record's \"" + key + "\" is no whole number");
    }
    return *number;
}

InputFileStamp ReadInput(const CJsonValue& object, const std::string& key) {
    const CJsonValue& input = Member(object, key);
    const CJsonValue& bytes = Member(input, "bytes");
    return InputFileStamp{
        .path = Text(input, "path"),
        .bytes = bytes.IsNull() ? std::nullopt : std::optional<int64_t>(Integer(input, "bytes")),
        .modified = Text(input, "modified"),
    };
}

} // namespace

InputFileStamp StampOf(const std::string& path) {
    InputFileStamp stamp;
    stamp.path = path;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        stamp.bytes = static_cast<int64_t>(status.st_size);
        char text[48];
        std::snprintf(text, sizeof text, "%lld.%09ld",
                      static_cast<long long>(status.st_mtim.tv_sec),
                      static_cast<long>(status.st_mtim.tv_nsec));
        stamp.modified = text;
    }
    return stamp;
}

void WritePairStamp(CJsonWriter& json, const PairStamp& stamp) {
    json.BeginObject();
    json.Key("manifest");
    json.String(stamp.manifest);
    json.Key("options");
    json.String(stamp.options);
    json.Key("rows");
    json.Integer(stamp.rows);
    json.Key("row");
    json.Integer(stamp.row);
    json.Key("line");
    json.Integer(stamp.line);
    json.Key("label");
    json.String(stamp.label);
    json.Key("group");
    json.String(stamp.group);
    json.Key("reader");
    json.String(stamp.reader);
    json.Key("original");
    WriteInput(json, stamp.original);
    json.Key("compressed");
    WriteInput(json, stamp.compressed);
    json.Key("verdict");
    json.String(stamp.verdict);
    json.Key("gateFailures");
    json.BeginArray();
    for (const std::string& failure : stamp.gateFailures) {
        json.String(failure);
    }
    json.EndArray();
    json.EndObject();
}

PairStamp ReadPairStamp(const CJsonValue& object) {
    PairStamp stamp{
        .manifest = Text(object, "manifest"),
        .options = Text(object, "options"),
        .rows = Integer(object, "rows"),
        .row = Integer(object, "row"),
        .line = Integer(object, "line"),
        .label = Text(object, "label"),
        .group = Text(object, "group"),
        .reader = Text(object, "reader"),
        .original = ReadInput(object, "original"),
        .compressed = ReadInput(object, "compressed"),
        .verdict = Text(object, "verdict"),
        .gateFailures = {},
    };
    for (const CJsonValue& failure : Member(object, "gateFailures").Items()) {
        stamp.gateFailures.push_back(failure.AsString().value_or(""));
    }
    if (stamp.row < 0 || stamp.row >= stamp.rows) {
        throw CZarnikError::Detail("its campaign record's row is not one of its rows");
    }
    return stamp;
}

bool SameCampaign(const PairStamp& a, const PairStamp& b) {
    return a.manifest == b.manifest && a.options == b.options && a.rows == b.rows;
}

bool SameRun(const PairStamp& a, const PairStamp& b) {
    return SameCampaign(a, b) && a.row == b.row && a.label == b.label && a.group == b.group &&
           a.reader == b.reader && a.original == b.original && a.compressed == b.compressed;
}
