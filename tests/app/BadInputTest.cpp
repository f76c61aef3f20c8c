#include "tests/app/ComparisonFixture.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void WriteText(const std::string& fileName, const std::string& text) {
    std::ofstream(fileName, std::ios::binary) << text;
}

// One regions file record: x0, y0, x1, y1 as little-endian 32-bit integers.
std::string Record(std::vector<int32_t> corners) {
    std::string bytes;
    for (const int32_t corner : corners) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((static_cast<uint32_t>(corner) >> shift) & 0xFF));
        }
    }
    return bytes;
}

class BadInput : public ComparisonFixture {
protected:
    void SetUp() override {
        WriteLossyPair(File("original.tif"), File("compressed.jp2"));
        const RasterFixture rgb = TexturedRgb();
        WriteGeoTiff(File("copy.tif"), rgb);
        WriteGeoTiff(File("narrow.tif"), TexturedRgb(kWidth - 1, kHeight));
        WriteGeoTiff(File("short.tif"), TexturedRgb(kWidth, kHeight - 1));
        RasterFixture gray = rgb;
        gray.bands.resize(1);
        gray.colours.clear();
        WriteGeoTiff(File("gray.tif"), gray);
        RasterFixture wide = rgb;
        wide.type = GDT_UInt16;
        WriteGeoTiff(File("wide.tif"), wide);
        WriteText(File("garbage.jp2"), std::string(300, 'x'));
        WriteText(File("garbage.vexl"), std::string(300, 'x'));
        WriteText(File("garbage.tif"), std::string(300, 'x'));
        WriteText(File("degenerate.bin"), Record({50, 0, 10, 10}));
        WriteText(File("outside.bin"), Record({250, 150, 349, 249}));
        WriteText(File("huge.bin"), Record({0, 0, 2000000000, 2000000000}));
    }
};

TEST_F(BadInput, FailuresAfterParsingPrintOneMessageAndExitWith2) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-c", "missing.jp2", "-i", "original.tif"}, "Unable to open file."},
        {{"-c", "missing.tif", "-i", "original.tif", "-u"}, "Unable to open file "},
        {{"-c", "compressed.jp2", "-i", "missing.tif"}, "Error opening original file."},
        {{"-c", "missing.jp2", "-i", "missing.tif"}, "Unable to open file."},
        {{"-c", "garbage.jp2", "-i", "original.tif"}, "Unable to open file."},
        {{"-c", "garbage.vexl", "-i", "original.tif"}, "Unable to open file."},
        {{"-c", "copy.tif", "-i", "original.tif"}, "Unable to open file."},
        {{"-c", "garbage.tif", "-i", "original.tif", "-u"}, "Unable to open file "},
        {{"-c", "compressed.jp2", "-i", "garbage.tif"}, "Error opening original file."},
        {{"-c", "narrow.tif", "-i", "original.tif", "-u"},
         "Width of the images differ. Cannot compare images."},
        {{"-c", "short.tif", "-i", "original.tif", "-u"},
         "Height of the images differ. Cannot compare images."},
        {{"-c", "gray.tif", "-i", "original.tif", "-u"},
         "Band count differs between files. Cannot compare bandwise."},
        {{"-c", "wide.tif", "-i", "original.tif", "-u"},
         "Max band value differs between files. Cannot compare."},
        {{"-c", "compressed.jp2", "-i", "gray.tif", "-yuvy"}, "Error opening original file."},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-stat", "ssim,SSIM"},
         "Unable to create statistics algorithms"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-best", "1", "-compareStat", "psnr"},
         "-compareStat must be one of the values provided in -stat."},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-worst", "1", "-compareStat", "psnrr"},
         "Unable to find statistics algorithm specified for comparison"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-or", "Random"}, "Unknown requestType"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-useRegions", "degenerate.bin"},
         "Tile [50,0;10,10] has no pixels"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-useRegions", "outside.bin"},
         "Tile [250,150;349,249] lies outside the image of 300x200 pixels"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-useRegions", "huge.bin"},
         "Tile [0,0;2000000000,2000000000] lies outside the image of 300x200 pixels"},
        {{"-c", "compressed.jp2", "-i", "original.tif", "-bbox", "0,0,400,99"},
         "Tile [256,0;400,99] lies outside the image of 300x200 pixels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        auto lines = run.Lines();
        // A failure in the middle of the run follows the progress line.
        if (lines.size() == 1 && lines[0].find('\r') != std::string::npos) {
            lines[0] = lines[0].substr(lines[0].rfind("Error occured"));
        }
        EXPECT_EQ(lines, std::vector<std::string>{"Error occured. Details: " + c.message});
    }
}

TEST_F(BadInput, TilePrefixIntoAMissingFolderFailsAfterTheRun) {
    const ProgramRun run = Run({"-c", "compressed.jp2", "-i", "original.tif", "-ts", "128", "-best",
                                "1", "-bestPrefix", "nowhere/b_"});
    EXPECT_EQ(run.exitCode, 2);
    const auto lines = run.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const auto error =
        lines[0].rfind("Error occured. Details: Unable to create tile file nowhere/b_a_");
    ASSERT_NE(error, std::string::npos) << lines[0];
    // Every tile was evaluated before the tiles were written.
    EXPECT_NE(lines[0].find("\r6 of 6 "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(File("nowhere")));
}

TEST_F(BadInput, RegionsFileIntoAMissingFolderFailsBeforeAnyTile) {
    const ProgramRun run =
        Run({"-c", "compressed.jp2", "-i", "original.tif", "-saveRegions", "nowhere/tiles.bin"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.Lines(),
              std::vector<std::string>{"Error occured. Details: Unable to open output regions file "
                                       "nowhere/tiles.bin"});
}

} // namespace
