#include "outputs/JsonWriter.h"

#include "outputs/NumberText.h"

#include <cmath>
#include <cstdio>

void CJsonWriter::BeginObject() {
    Open('{');
}

void CJsonWriter::EndObject() {
    Close('}');
}

void CJsonWriter::BeginArray() {
    Open('[');
}

void CJsonWriter::EndArray() {
    Close(']');
}

void CJsonWriter::Key(std::string_view key) {
    BeforeValue();
    AppendQuoted(key);
    text += ": ";
    afterKey = true;
}

void CJsonWriter::String(std::string_view value) {
    BeforeValue();
    AppendQuoted(value);
}

// Long texts (a page's pictures) are copied in runs between the characters
// that need escaping.
void CJsonWriter::AppendQuoted(std::string_view value) {
    text += '"';
    size_t from = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) {
            continue;
        }
        text.append(value.substr(from, i - from));
        from = i + 1;
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            text += escaped;
        }
    }
    text.append(value.substr(from));
    text += '"';
}

void CJsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        String(RoundTripText(value));
        return;
    }
    BeforeValue();
    text += RoundTripText(value);
}

void CJsonWriter::Integer(int64_t value) {
    BeforeValue();
    text += std::to_string(value);
}

void CJsonWriter::Bool(bool value) {
    BeforeValue();
    text += value ? "true" : "false";
}

void CJsonWriter::Null() {
    BeforeValue();
    text += "null";
}

void CJsonWriter::NumberOrNull(const std::optional<double>& value) {
    if (value) {
        Number(*value);
    } else {
        Null();
    }
}

// Separates this value from the one before it in the same object or array;
// a value right after its key needs nothing.
void CJsonWriter::BeforeValue() {
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (levels.empty()) {
        return;
    }
    if (levels.back()) {
        text += ',';
    }
    levels.back() = true;
    text += '\n';
    Indent();
}

void CJsonWriter::Open(char bracket) {
    BeforeValue();
    text += bracket;
    levels.push_back(false);
}

void CJsonWriter::Close(char bracket) {
    const bool holdsValues = levels.back();
    levels.pop_back();
    if (holdsValues) {
        text += '\n';
        Indent();
    }
    text += bracket;
    if (levels.empty()) {
        text += '\n';
    }
}

void CJsonWriter::Indent() {
    text.append(2 * levels.size(), ' ');
}
