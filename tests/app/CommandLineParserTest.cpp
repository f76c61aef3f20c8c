#include "app/CommandLineParser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Every setting parsed from the arguments as "name=value" words, or the
// parser's failure message.
std::string Settings(const std::string& arguments) {
    CParsedCommandLine o;
    try {
        ParseCommandLine(("zarnik " + arguments + " ").c_str(), o);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    std::ostringstream s;
    s << "i=" << o.originalFileName << " c=" << o.compressedFileName << " stat=" << o.statistics
      << " compareStat=" << o.compareStat << " or=" << o.requestType << " ts=" << o.tileSize
      << " tn=" << o.tileCount << " best=" << o.bestCount << ":" << o.bestPrefix
      << " worst=" << o.worstCount << ":" << o.worstPrefix << " band=" << o.compareBand
      << " u=" << o.useGdal << " yuv=" << o.yuv << " yOnly=" << o.yOnly << " wiki=" << o.wiki
      << " dither=" << o.enableDithering << " save=" << o.saveRegions << " use=" << o.useRegions;
    s << " dataRange=" << (o.dataRangeAuto ? "auto" : std::to_string(int(o.dataRange)))
      << " gates=";
    for (const QualityGate& gate : o.qualityGates) {
        s << gate.statistic << "." << gate.figure << (gate.failBelow ? ">" : "<") << gate.limit
          << ";";
    }
    s << " bbox=";
    if (o.bbox) {
        s << o.bbox->x0 << "," << o.bbox->y0 << "," << o.bbox->x1 << "," << o.bbox->y1;
    }
    return s.str();
}

// A row passes when the parse fails with exactly the expected message, or
// when every expected "name=value" word is among the parsed settings.
void ExpectSettingsOrFailures(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(arguments);
        const std::string settings = Settings(arguments);
        if (expected.find('=') == std::string::npos) {
            EXPECT_EQ(settings, expected);
            continue;
        }
        std::istringstream words(expected);
        for (std::string word; words >> word;) {
            EXPECT_NE((" " + settings + " ").find(" " + word + " "), std::string::npos)
                << word << " not in " << settings;
        }
    }
}

TEST(CommandLineParser, SettingsAndFailuresOfCommandLines) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-c c.jp2 -i o.tif", "i=o.tif c=c.jp2 stat=ssim compareStat=ssim or=seq ts=256 tn=100 "
                              "best=0:c.jp2 worst=0:c.jp2w band=0 u=0 yuv=0 yOnly=0 wiki=0 "
                              "dither=0 save= use= bbox="},
        {"-c c -i o -stat ssim,PSNR -or ran -tn 0 -ts 64", "stat=ssim,PSNR compareStat=ssim,PSNR "
                                                           "or=ran tn=100 ts=64"},
        {"-c c -i o -stat all -compareStat PSNR -enableDithering", "compareStat=psnr dither=1"},
        // Three or five pieces leave the box unset; keywords are case-sensitive.
        {"-c c -i o -bbox 1,2,3 -bbox 1,2,3,4,5 -U -TN 5", "u=0 tn=100 bbox="},
        // A later option wins; a value keeps its spaces up to the next " -".
        {"-c c -i o -tn 5 -tn 0042 -saveRegions my tiles.bin", "tn=42 save=my tiles.bin"},
        {"-c c -i o -saveRegions a -b.bin", "save=a use="},
        {"-c c -I o", "Original filename cannot be empty"},
        // The conflicts with a regions file are checked in this order, before
        // the (here missing) file is read.
        {"-c a -i b -useRegions r -saveRegions s -or ran -ts 5 -tn 5 -bbox 1,1,2,2",
         "Cannot specify useRegions and saveRegions"},
        {"-c a -i b -useRegions r -or ran -ts 5 -tn 5 -bbox 1,1,2,2",
         "Cannot specify useRegions and or"},
        {"-c a -i b -useRegions r -ts 5 -tn 5 -bbox 1,1,2,2", "Cannot specify useRegions and ts"},
        {"-c a -i b -useRegions r -tn 5 -bbox 1,1,2,2", "Cannot specify useRegions and tn"},
        {"-c a -i b -useRegions r -bbox 1,1,2,2", "Cannot specify useRegions and bbox"},
        {"-c a -i b -bbox 1,2,x,4", "Failed to parse integer from 'x'. Could not find numbers in "
                                    "string"},
        // A negative number is cut off as an option of its own.
        {"-c a -i b -tn -5", "Failed to parse integer from ''. String is empty"},
        {"-c a -i b -ts 2147483648", "Failed to parse integer from '2147483648'. Parsed value is "
                                     "greater than INT_MAX"},
        {"-c a -i b -best 99999999999999999999x", "Failed to parse integer from "
                                                  "'99999999999999999999x'. Parsed value is "
                                                  "greater than INT_MAX"},
    };
    ExpectSettingsOrFailures(cases);
}

TEST(CommandLineParser, AddedOptionsAreSpelledRightOrRefusedAndGatesNameTheirFigure) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        // A near miss of an added option is refused; unknown names nearer the
        // first release's options are ignored as they always were.
        {"-c a -i b -failbelow ssim=1", "Unknown option '-failbelow'; did you mean '-failBelow'?"},
        {"-c a -i b --failBelow ssim=1",
         "Unknown option '--failBelow'; did you mean '-failBelow'?"},
        {"-c a -i b -tileValue t", "Unknown option '-tileValue'; did you mean '-tileValues'?"},
        {"-c a -i b -qualitymap m", "Unknown option '-qualitymap'; did you mean '-qualityMap'?"},
        {"-c a -i b -thread 2", "Unknown option '-thread'; did you mean '-threads'?"},
        {"-c a -i b -Stat psnr --stat psnr -tm 5 -x", "stat=ssim tn=100"},
        // Gates name a figure, or take their statistic's default.
        {"-c a -i b -stat all -failBelow psnr=30,ssim=0.9 -failAbove mse.p50=2",
         "gates=psnr.pooled>30;ssim.avg>0.9;mse.p50<2;"},
        {"-c a -i b -failBelow ssim.p95=1",
         "-failBelow figure 'p95' must be one of avg, finiteAvg, min, p05, p50, pooled"},
        {"-c a -i b -failAbove ssim.pooled=1", "-failAbove figure 'pooled' of 'ssim' does not "
                                               "exist: only mse, psnr, pae, mae, rmse and bias "
                                               "have it"},
        {"-c a -i b -dataRange auto", "dataRange=auto"},
        {"-c a -i b -dataRange 0", "-dataRange expects a positive number or auto, not '0'"},
        {"-c a -i b -dataRange -4095", "-dataRange expects a positive number or auto, not ''"},
    };
    ExpectSettingsOrFailures(cases);
}

TEST(CommandLineParser, ParseIntReachesBothEndsOfTheRange) {
    EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
    try {
        ParseInt("-2147483649");
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(
            failure.what(),
            "Failed to parse integer from '-2147483649'. Parsed value is less than INT_MIN");
    }
}

} // namespace
