#include "campaign/JsonValue.h"

#include <cmath>
#include <limits>

CJsonValue CJsonValue::MakeBool(bool value) {
    CJsonValue made;
    made.kind = Kind::Bool;
    made.boolean = value;
    return made;
}

CJsonValue CJsonValue::MakeNumber(double value) {
    CJsonValue made;
    made.kind = Kind::Number;
    made.number = value;
    return made;
}

CJsonValue CJsonValue::MakeString(std::string value) {
    CJsonValue made;
    made.kind = Kind::String;
    made.text = std::move(value);
    return made;
}

CJsonValue CJsonValue::MakeArray(std::vector<CJsonValue> values) {
    CJsonValue made;
    made.kind = Kind::Array;
    made.items = std::move(values);
    return made;
}

CJsonValue CJsonValue::MakeObject(std::vector<Member> values) {
    CJsonValue made;
    made.kind = Kind::Object;
    made.members = std::move(values);
    return made;
}

const CJsonValue* CJsonValue::Find(const std::string& key) const {
    for (const Member& member : members) {
        if (member.first == key) {
            return &member.second;
        }
    }
    return nullptr;
}

std::optional<double> CJsonValue::AsNumber() const {
    if (kind == Kind::Number) {
        return number;
    }
    if (kind == Kind::String) {
        if (text == "inf") {
            return std::numeric_limits<double>::infinity();
        }
        if (text == "-inf") {
            return -std::numeric_limits<double>::infinity();
        }
        if (text == "nan") {
            return std::numeric_limits<double>::quiet_NaN();
        }
    }
    return std::nullopt;
}

std::optional<int64_t> CJsonValue::AsInteger() const {
    // 2^63 is the first double beyond the signed 64-bit range.
    constexpr double kLimit = 9223372036854775808.0;
    if (kind != Kind::Number || number != std::trunc(number) || !(std::fabs(number) < kLimit)) {
        return std::nullopt;
    }
    return static_cast<int64_t>(number);
}

std::optional<std::string> CJsonValue::AsString() const {
    return kind == Kind::String ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<bool> CJsonValue::AsBool() const {
    return kind == Kind::Bool ? std::optional<bool>(boolean) : std::nullopt;
}

bool CJsonValue::operator==(const CJsonValue& other) const {
    return kind == other.kind && boolean == other.boolean && text == other.text &&
           items == other.items && members == other.members &&
           (number == other.number || (std::isnan(number) && std::isnan(other.number)));
}
