#include "app/CommandLineParser.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

CParsedCommandLine Parse(const std::string& commandLine) {
    CParsedCommandLine options;
    ParseCommandLine(commandLine.c_str(), options);
    return options;
}

std::string ParseFailure(const std::string& commandLine) {
    try {
        Parse(commandLine);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "(no failure)";
}

std::string IntFailure(const char* text) {
    try {
        ParseInt(text);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "(no failure)";
}

TEST(CommandLineParser, DefaultsFillWhatWasNotGiven) {
    const auto options = Parse("zarnik -c small.jp2 -i big.tif ");
    EXPECT_EQ(options.compressedFileName, "small.jp2");
    EXPECT_EQ(options.originalFileName, "big.tif");
    EXPECT_EQ(options.requestType, "seq");
    EXPECT_EQ(options.statistics, "ssim");
    EXPECT_EQ(options.compareStat, "ssim");
    EXPECT_EQ(options.tileSize, 256);
    EXPECT_EQ(options.tileCount, 100);
    EXPECT_EQ(options.bestPrefix, "small.jp2");
    EXPECT_EQ(options.worstPrefix, "small.jp2w");
    EXPECT_EQ(options.bestCount, 0);
    EXPECT_EQ(options.worstCount, 0);
    EXPECT_EQ(options.compareBand, 0);
    EXPECT_FALSE(options.bbox);
    EXPECT_FALSE(options.useGdal || options.yuv || options.yOnly || options.wiki ||
                 options.enableDithering);
}

TEST(CommandLineParser, OptionsOverrideDefaults) {
    struct Case {
        const char* arguments;
        std::function<bool(const CParsedCommandLine&)> holds;
    };
    const std::vector<Case> cases = {
        {"-or ran", [](const auto& o) { return o.requestType == "ran"; }},
        {"-stat ssim,psnr",
         [](const auto& o) { return o.statistics == "ssim,psnr" && o.compareStat == "ssim,psnr"; }},
        {"-stat all -compareStat PSNR",
         [](const auto& o) { return o.statistics == "all" && o.compareStat == "psnr"; }},
        {"-tn 7 -ts 64", [](const auto& o) { return o.tileCount == 7 && o.tileSize == 64; }},
        {"-u -wiki -enableDithering",
         [](const auto& o) { return o.useGdal && o.wiki && o.enableDithering; }},
        {"-yuvy", [](const auto& o) { return o.yuv && !o.yOnly; }},
        {"-yuvY", [](const auto& o) { return o.yuv && o.yOnly; }},
        {"-best 3 -worst 4 -compareBand 2",
         [](const auto& o) { return o.bestCount == 3 && o.worstCount == 4 && o.compareBand == 2; }},
        {"-bestPrefix out/b_ -worstPrefix out/w_",
         [](const auto& o) { return o.bestPrefix == "out/b_" && o.worstPrefix == "out/w_"; }},
        {"-saveRegions tiles.bin", [](const auto& o) { return o.saveRegions == "tiles.bin"; }},
        {"-bbox 10,20,300,400",
         [](const auto& o) {
             return o.bbox && o.bbox->x0 == 10 && o.bbox->y0 == 20 && o.bbox->x1 == 300 &&
                    o.bbox->y1 == 400;
         }},
        // Three or five pieces leave the box unset.
        {"-bbox 1,2,3", [](const auto& o) { return !o.bbox; }},
        {"-bbox 1,2,3,4,5", [](const auto& o) { return !o.bbox; }},
        // Keywords are case-sensitive: unknown ones are ignored.
        {"-U -Wiki -TN 5",
         [](const auto& o) { return !o.useGdal && !o.wiki && o.tileCount == 100; }},
        // A later occurrence wins.
        {"-tn 5 -tn 9", [](const auto& o) { return o.tileCount == 9; }},
        // A file name with spaces stays whole as long as no piece starts with a hyphen.
        {"-saveRegions my tiles.bin",
         [](const auto& o) { return o.saveRegions == "my tiles.bin"; }},
        // A value with " -" inside is cut there: the rest is an unknown option.
        {"-saveRegions a -b.bin", [](const auto& o) { return o.saveRegions == "a"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto options = Parse(std::string("zarnik -c c.jp2 -i o.tif ") + c.arguments + " ");
        EXPECT_TRUE(c.holds(options));
    }
}

TEST(CommandLineParser, MalformedCommandLinesFailWithTheirMessage) {
    struct Case {
        const char* commandLine;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"zarnik ", "Compressed filename cannot be empty"},
        {"zarnik -c a ", "Original filename cannot be empty"},
        {"zarnik -i b ", "Compressed filename cannot be empty"},
        // The conflicts with a regions file are checked in this order.
        {"zarnik -c a -i b -useRegions r.bin -saveRegions s.bin -or ran -ts 5 -tn 5 -bbox 1,1,2,2 ",
         "Cannot specify useRegions and saveRegions"},
        {"zarnik -c a -i b -useRegions r.bin -or ran -ts 5 -tn 5 -bbox 1,1,2,2 ",
         "Cannot specify useRegions and or"},
        {"zarnik -c a -i b -useRegions r.bin -ts 5 -tn 5 -bbox 1,1,2,2 ",
         "Cannot specify useRegions and ts"},
        {"zarnik -c a -i b -useRegions r.bin -tn 5 -bbox 1,1,2,2 ",
         "Cannot specify useRegions and tn"},
        {"zarnik -c a -i b -useRegions r.bin -bbox 1,1,2,2 ", "Cannot specify useRegions and bbox"},
        {"zarnik -c a -i b -bbox 1,2,x,4 ",
         "Failed to parse integer from 'x'. Could not find numbers in string"},
        {"zarnik -c a -i b -tn ", "Failed to parse integer from ''. String is empty"},
        // A negative number starts with " -" and is cut off as an option of its own.
        {"zarnik -c a -i b -tn -5 ", "Failed to parse integer from ''. String is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        EXPECT_EQ(ParseFailure(c.commandLine), c.message);
    }
}

TEST(CommandLineParser, ParseIntAcceptsOnlyWholeSigned32BitNumbers) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "Failed to parse integer from ''. String is empty"},
        {"12ab", "Failed to parse integer from '12ab'. Could not find numbers in string"},
        {"abc", "Failed to parse integer from 'abc'. Could not find numbers in string"},
        {"2147483648", "Failed to parse integer from '2147483648'. Parsed value is greater than "
                       "INT_MAX"},
        {"-2147483649", "Failed to parse integer from '-2147483649'. Parsed value is less than "
                        "INT_MIN"},
        {"99999999999999999999x",
         "Failed to parse integer from '99999999999999999999x'. Parsed value is greater than "
         "INT_MAX"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IntFailure(c.text), c.message);
    }
    EXPECT_EQ(ParseInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInt("0042"), 42);
}

TEST(CommandLineParser, ARegionsFileSetsTileCountAndSizeFromItsRecords) {
    TemporaryDirectory folder;
    const std::string fileName = folder.File("tiles.bin");
    {
        // Two records; the first tile is 100 columns wide, the second is clipped.
        const unsigned char records[32] = {0,   0, 0, 0, 0, 0, 0, 0, 99,  0, 0, 0, 99, 0, 0, 0,
                                           100, 0, 0, 0, 0, 0, 0, 0, 119, 0, 0, 0, 99, 0, 0, 0};
        std::ofstream(fileName, std::ios::binary).write(reinterpret_cast<const char*>(records), 32);
    }
    const auto options = Parse("zarnik -c a -i b -useRegions " + fileName + " ");
    EXPECT_EQ(options.useRegions, fileName);
    EXPECT_EQ(options.tileCount, 2);
    EXPECT_EQ(options.tileSize, 100);
    EXPECT_EQ(options.requestType, "seq");
    // The conflicts are checked before the file is looked at.
    EXPECT_EQ(
        ParseFailure("zarnik -c a -i b -useRegions " + folder.File("missing.bin") + " -tn 3 "),
        "Cannot specify useRegions and tn");
}

} // namespace
