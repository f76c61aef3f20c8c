#include "campaign/JsonReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace {

TEST(JsonReader, ReadsWhatTheReportsWrite) {
    const CJsonValue root = ReadJson(R"({
  "schema": 1,
  "avg": "inf",
  "p05": null,
  "bytes": 12584482,
  "x": -2.5e-3,
  "area": [0, 0, 2047, 2047],
  "name": "GDAL \"red\" \\ \u00e9\ud83d\ude00\n",
  "ok": true,
  "nested": {"empty": [], "none": {}}
}
)");
    EXPECT_EQ(root.Find("schema")->AsInteger(), 1);
    EXPECT_TRUE(std::isinf(*root.Find("avg")->AsNumber()));
    EXPECT_TRUE(root.Find("p05")->IsNull());
    EXPECT_EQ(root.Find("bytes")->AsInteger(), 12584482);
    EXPECT_EQ(root.Find("x")->AsNumber(), -2.5e-3);
    EXPECT_FALSE(root.Find("x")->AsInteger());
    EXPECT_EQ(root.Find("area")->Items().size(), 4u);
    EXPECT_EQ(root.Find("name")->AsString(), "GDAL \"red\" \\ \xc3\xa9\xf0\x9f\x98\x80\n");
    EXPECT_EQ(root.Find("ok")->AsBool(), true);
    EXPECT_EQ(root.Find("nested")->Members().size(), 2u);
    EXPECT_EQ(root.Find("missing"), nullptr);
}

// Every way a document can be cut short or malformed is refused: a killed
// writer's file must never read as a finished one.
TEST(JsonReader, RefusesWhatIsNotOneWholeDocument) {
    const char* const bad[] = {
        "",
        "{",
        "{\"a\": 1",
        "{\"a\": 1,}",
        "[1, 2,]",
        "{\"a\" 1}",
        "{a: 1}",
        "{\"a\": 01}",
        "{\"a\": 1.}",
        "{\"a\": .5}",
        "{\"a\": -}",
        "{\"a\": 1e}",
        "{\"a\": +1}",
        "{\"a\": tru}",
        "{\"a\": \"unterminated}",
        "{\"a\": \"tab\there\"}",
        "{\"a\": \"\\x\"}",
        "{\"a\": \"\\ud83d\"}",
        "{\"a\": 1, \"a\": 2}",
        "{\"a\": 1} {}",
        "{\"a\": 1e999}",
        "nul",
    };
    for (const char* text : bad) {
        EXPECT_THROW(ReadJson(text), std::runtime_error) << text;
    }
}

TEST(JsonReader, NamesTheLineOfTheFault) {
    try {
        ReadJson("{\n  \"a\": 1,\n  \"b\": ?\n}");
        FAIL() << "accepted";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "invalid JSON on line 3: malformed number");
    }
}

} // namespace
