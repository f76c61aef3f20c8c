#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One value of a JSON document as the strict reader found it. Objects keep
// their keys in the document's order.
class CJsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    using Member = std::pair<std::string, CJsonValue>;

    CJsonValue() = default;
    static CJsonValue MakeBool(bool value);
    static CJsonValue MakeNumber(double value);
    static CJsonValue MakeString(std::string text);
    static CJsonValue MakeArray(std::vector<CJsonValue> items);
    static CJsonValue MakeObject(std::vector<Member> members);

    Kind GetKind() const { return kind; }
    bool IsNull() const { return kind == Kind::Null; }
    bool IsObject() const { return kind == Kind::Object; }

    // The member `key` of an object, or null when absent or not an object.
    const CJsonValue* Find(const std::string& key) const;
    const std::vector<CJsonValue>& Items() const { return items; }
    const std::vector<Member>& Members() const { return members; }

    // A number, or one of the texts "inf", "-inf" and "nan" that stand for
    // the values JSON has no numbers for; empty for anything else.
    std::optional<double> AsNumber() const;
    // Empty unless a number without fraction that fits in 64 bits.
    std::optional<int64_t> AsInteger() const;
    std::optional<std::string> AsString() const;
    std::optional<bool> AsBool() const;

    bool operator==(const CJsonValue& other) const;

private:
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<CJsonValue> items;
    std::vector<Member> members;
};
