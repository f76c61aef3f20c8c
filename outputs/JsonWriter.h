#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Builds one JSON document in the order the values are given, indented two
// blanks per level. Numbers are written as RoundTripText writes them;
// infinite and NaN values, which JSON has no numbers for, become the strings
// "inf", "-inf" and "nan".
class CJsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the next value in the current object.
    void Key(std::string_view key);

    void String(std::string_view text);
    void Number(double value);
    void Integer(int64_t value);
    void Bool(bool value);
    void Null();
    // A number, or null where there is none.
    void NumberOrNull(const std::optional<double>& value);

    // The document so far, ended by a line break once every level is closed.
    const std::string& Text() const { return text; }

private:
    void BeforeValue();
    void AppendQuoted(std::string_view value);
    void Open(char bracket);
    void Close(char bracket);
    void Indent();

    std::string text;
    // One entry per open object or array: whether it holds anything yet.
    std::vector<bool> levels;
    bool afterKey = false;
};
