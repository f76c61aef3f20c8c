#include "campaign/JsonReader.h"

#include "platform/ZarnikError.h"

#include <charconv>
#include <cstddef>
#include <string>

namespace {

// Deeper documents are refused rather than read on an ever longer stack.
constexpr int kMaximumDepth = 64;

class CJsonParser {
public:
    explicit CJsonParser(std::string_view document) : text(document) {}

    CJsonValue Document() {
        CJsonValue value = Value(0);
        SkipBlanks();
        if (at != text.size()) {
            Fail("text after the end of the document");
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        size_t line = 1;
        for (size_t i = 0; i < at && i < text.size(); ++i) {
            line += text[i] == '\n' ? 1 : 0;
        }
        throw CZarnikError::Detail("invalid JSON on line " + std::to_string(line) + ": " + what);
    }

    void SkipBlanks() {
        while (at < text.size() &&
               (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) {
            ++at;
        }
    }

    char Peek() {
        SkipBlanks();
        if (at == text.size()) {
            Fail("the document ends too early");
        }
        return text[at];
    }

    void Expect(char wanted) {
        if (Peek() != wanted) {
            Fail(std::string("expected '") + wanted + "'");
        }
        ++at;
    }

    void ExpectWord(std::string_view word) {
        if (text.substr(at, word.size()) != word) {
            Fail("unknown word");
        }
        at += word.size();
    }

    CJsonValue Value(int depth) {
        if (depth > kMaximumDepth) {
            Fail("nested too deeply");
        }
        switch (Peek()) {
        case '{':
            return Object(depth);
        case '[':
            return Array(depth);
        case '"':
            return CJsonValue::MakeString(String());
        case 't':
            ExpectWord("true");
            return CJsonValue::MakeBool(true);
        case 'f':
            ExpectWord("false");
            return CJsonValue::MakeBool(false);
        case 'n':
            ExpectWord("null");
            return CJsonValue();
        default:
            return Number();
        }
    }

    CJsonValue Object(int depth) {
        Expect('{');
        std::vector<CJsonValue::Member> members;
        if (Peek() == '}') {
            ++at;
            return CJsonValue::MakeObject(std::move(members));
        }
        for (;;) {
            if (Peek() != '"') {
                Fail("expected a key");
            }
            std::string key = String();
            for (const auto& member : members) {
                if (member.first == key) {
                    Fail("the key \"" + key + "\" appears twice");
                }
            }
            Expect(':');
            members.emplace_back(std::move(key), Value(depth + 1));
            if (Peek() == '}') {
                ++at;
                return CJsonValue::MakeObject(std::move(members));
            }
            Expect(',');
        }
    }

    CJsonValue Array(int depth) {
        Expect('[');
        std::vector<CJsonValue> items;
        if (Peek() == ']') {
            ++at;
            return CJsonValue::MakeArray(std::move(items));
        }
        for (;;) {
            items.push_back(Value(depth + 1));
            if (Peek() == ']') {
                ++at;
                return CJsonValue::MakeArray(std::move(items));
            }
            Expect(',');
        }
    }

    // The grammar is checked here; from_chars then reads the checked digits.
    CJsonValue Number() {
        const size_t start = at;
        const auto digits = [this] {
            const size_t first = at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
                ++at;
            }
            return at - first;
        };
        if (at < text.size() && text[at] == '-') {
            ++at;
        }
        const size_t whole = digits();
        if (whole == 0 || (whole > 1 && text[at - whole] == '0')) {
            Fail("malformed number");
        }
        if (at < text.size() && text[at] == '.') {
            ++at;
            if (digits() == 0) {
                Fail("malformed number");
            }
        }
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
                ++at;
            }
            if (digits() == 0) {
                Fail("malformed number");
            }
        }
        double value = 0.0;
        const auto result = std::from_chars(text.data() + start, text.data() + at, value);
        if (result.ec != std::errc()) {
            Fail("number out of range");
        }
        return CJsonValue::MakeNumber(value);
    }

    uint32_t HexQuad() {
        if (at + 4 > text.size()) {
            Fail("the document ends too early");
        }
        uint32_t code = 0;
        const auto result = std::from_chars(text.data() + at, text.data() + at + 4, code, 16);
        if (result.ptr != text.data() + at + 4) {
            Fail("malformed \\u escape");
        }
        at += 4;
        return code;
    }

    // A \u escape, surrogate pairs joined, as UTF-8.
    void AppendEscapedCharacter(std::string& out) {
        uint32_t code = HexQuad();
        if (code >= 0xD800 && code < 0xDC00) {
            if (text.substr(at, 2) != "\\u") {
                Fail("unpaired surrogate");
            }
            at += 2;
            const uint32_t low = HexQuad();
            if (low < 0xDC00 || low >= 0xE000) {
                Fail("unpaired surrogate");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            Fail("unpaired surrogate");
        }
        const auto byte = [](uint32_t bits) { return static_cast<char>(bits); };
        if (code < 0x80) {
            out += byte(code);
        } else if (code < 0x800) {
            out += byte(0xC0 | (code >> 6));
            out += byte(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += byte(0xE0 | (code >> 12));
            out += byte(0x80 | ((code >> 6) & 0x3F));
            out += byte(0x80 | (code & 0x3F));
        } else {
            out += byte(0xF0 | (code >> 18));
            out += byte(0x80 | ((code >> 12) & 0x3F));
            out += byte(0x80 | ((code >> 6) & 0x3F));
            out += byte(0x80 | (code & 0x3F));
        }
    }

    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (at == text.size()) {
                Fail("unterminated text");
            }
            const char c = text[at++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                Fail("control character in a text");
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at == text.size()) {
                Fail("unterminated text");
            }
            const char escaped = text[at++];
            static const std::string_view kFrom = "\"\\/bfnrt";
            static const std::string_view kTo = "\"\\/\b\f\n\r\t";
            if (escaped == 'u') {
                AppendEscapedCharacter(out);
            } else if (const size_t found = kFrom.find(escaped); found != std::string_view::npos) {
                out += kTo[found];
            } else {
                Fail("unknown escape");
            }
        }
    }

    std::string_view text;
    size_t at = 0;
};

} // namespace

CJsonValue ReadJson(std::string_view text) {
    return CJsonParser(text).Document();
}
