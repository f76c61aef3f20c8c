#include "campaign/Manifest.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace {

std::string Written(const TemporaryDirectory& folder, const std::string& text) {
    const std::string name = folder.File("pairs.csv");
    std::ofstream(name) << text;
    return name;
}

TEST(Manifest, ReadsRowsWithTheirDefaults) {
    const TemporaryDirectory folder;
    const std::string name = Written(folder, "# scenes\n"
                                             "\n"
                                             "compressed, original ,label,reader\r\n"
                                             "a_r20.jp2,a.tif,opj r20,gdal\n"
                                             "# skipped\n"
                                             "/data/b.jp2,\"b, \"\"final\"\".tif\",,\n");
    const std::vector<ManifestRow> rows = ReadManifest(name);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].index, 0u);
    EXPECT_EQ(rows[0].line, 4u);
    EXPECT_EQ(rows[0].original, folder.File("a.tif"));
    EXPECT_EQ(rows[0].compressed, folder.File("a_r20.jp2"));
    EXPECT_EQ(rows[0].label, "opj r20");
    EXPECT_EQ(rows[0].group, folder.File("a.tif"));
    EXPECT_EQ(rows[0].useGdal, true);
    EXPECT_EQ(rows[1].index, 1u);
    EXPECT_EQ(rows[1].line, 6u);
    EXPECT_EQ(rows[1].original, folder.File("b, \"final\".tif"));
    EXPECT_EQ(rows[1].compressed, "/data/b.jp2");
    EXPECT_EQ(rows[1].label, "");
    EXPECT_FALSE(rows[1].useGdal.has_value());
}

TEST(Manifest, RefusesWhatCannotBeRunNamingTheLine) {
    struct Case {
        const char* text;
        const char* message; // after "Manifest <name> "
    };
    const Case cases[] = {
        {"", "has no header line"},
        {"# only a comment\n\n", "has no header line"},
        {"original,compressed\n", "has no rows"},
        {"original,label\na.tif,x\n", "line 1: the header lacks the column 'compressed'"},
        {"original,compressed,lable\na.tif,a.jp2,x\n", "line 1: unknown column 'lable'"},
        {"original,compressed,original\n", "line 1: the column 'original' appears twice"},
        {"original,compressed\na.tif,a.jp2\n\nb.tif\n", "line 4: 1 fields where the header has 2"},
        {"original,compressed\na.tif,\"a.jp2\n", "line 2: a quoted field is not closed"},
        {"original,compressed\n,a.jp2\n", "line 2: the original file is empty"},
        {"original,compressed,reader\na.tif,a.jp2,GDAL\n",
         "line 2: the reader must be gdal or sdk"},
        {"original,compressed,label\na.tif,a.jp2,x\nb.tif,b.jp2,y\na.tif,a.jp2,z\n",
         "line 4: repeats the pair of line 2"},
    };
    for (const Case& c : cases) {
        const TemporaryDirectory folder;
        const std::string name = Written(folder, c.text);
        try {
            ReadManifest(name);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const std::runtime_error& failure) {
            EXPECT_EQ(std::string(failure.what()).rfind("Manifest " + name + " " + c.message, 0),
                      0u)
                << failure.what();
        }
    }
    EXPECT_THROW(ReadManifest("/nonexistent/pairs.csv"), std::runtime_error);
}

} // namespace
