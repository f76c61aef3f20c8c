#include "raster/sdk/View.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/VexlWriter.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The view answers the reader's calls; these tests hold it to the contract
// the reader relies on: error number 0 only on success, file information
// that the caller owns, and exactly `height` lines of `width` samples.
class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 4 x 3 pixels, 2 bands; band b at (x, y) holds 100b + 10y + x.
        std::vector<int16_t> samples;
        for (int band = 0; band < 2; ++band) {
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 4; ++x) {
                    samples.push_back(static_cast<int16_t>(-(100 * band + 10 * y + x)));
                }
            }
        }
        fileName = folder.File("view.vexl");
        Orv::WriteVexlFile(fileName, 4, 3, 2, samples);
        ASSERT_EQ(view.Open(fileName).GetErrorNumber(), 0);
    }

    int32_t SetBandWindow(uint32_t band, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        return view
            .SetView(1, &band, static_cast<uint32_t>(x1 - x0 + 1),
                     static_cast<uint32_t>(y1 - y0 + 1), x0, y0, x1, y1)
            .GetErrorNumber();
    }

    TemporaryDirectory folder;
    std::string fileName;
    Orv::CView view;
};

TEST_F(ViewTest, DescribesTheOpenFileInACopyTheCallerFrees) {
    std::unique_ptr<OrvFileInfo, void (*)(OrvFileInfo*)> info(view.GetFileInfo(), OrvFreeFileInfo);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->width, 4u);
    EXPECT_EQ(info->height, 3u);
    EXPECT_EQ(info->bandCount, 2u);
    EXPECT_EQ(info->cellType, Orv::CellTypeCode::Int16);
}

TEST_F(ViewTest, DeliversTheWindowLineByLineAndNoMore) {
    ASSERT_EQ(SetBandWindow(1, 1, 1, 3, 2), 0);
    std::vector<int16_t> lines(6, 0);
    int16_t* line = lines.data();
    EXPECT_EQ(view.ReadLine(&line, Orv::CellTypeCode::Int16), 0);
    line += 3;
    EXPECT_EQ(view.ReadLine(&line, Orv::CellTypeCode::Int16), 0);
    EXPECT_EQ(lines, (std::vector<int16_t>{-111, -112, -113, -121, -122, -123}));
    EXPECT_NE(view.ReadLine(&line, Orv::CellTypeCode::Int16), 0);
}

TEST_F(ViewTest, RefusesALineOfAnotherType) {
    ASSERT_EQ(SetBandWindow(0, 0, 0, 3, 0), 0);
    std::vector<uint16_t> unsignedLine(4);
    uint16_t* unsignedPointer = unsignedLine.data();
    EXPECT_NE(view.ReadLine(&unsignedPointer, Orv::CellTypeCode::UInt16), 0);
    std::vector<int32_t> wideLine(4);
    int32_t* widePointer = wideLine.data();
    EXPECT_NE(view.ReadLine(&widePointer, Orv::CellTypeCode::Int16), 0);
    std::vector<int16_t> line(4);
    int16_t* pointer = line.data();
    EXPECT_EQ(view.ReadLine(&pointer, Orv::CellTypeCode::Int16), 0);
}

TEST_F(ViewTest, RefusesViewsItCannotDeliver) {
    const uint32_t bands[] = {0, 1};
    EXPECT_NE(view.SetView(2, bands, 1, 1, 0, 0, 0, 0).GetErrorNumber(), 0);
    EXPECT_NE(view.SetView(1, nullptr, 1, 1, 0, 0, 0, 0).GetErrorNumber(), 0);
    EXPECT_NE(SetBandWindow(2, 0, 0, 0, 0), 0);
    EXPECT_NE(SetBandWindow(0, 3, 2, 4, 2), 0);
    EXPECT_NE(SetBandWindow(0, 0, 2, 0, 3), 0);
    EXPECT_NE(SetBandWindow(0, -1, 0, 0, 0), 0);
    EXPECT_NE(view.SetView(1, bands, 2, 1, 0, 0, 0, 0).GetErrorNumber(), 0)
        << "width must match the window";
    EXPECT_NE(view.SetView(1, bands, 1, 2, 0, 0, 0, 0).GetErrorNumber(), 0)
        << "height must match the window";
}

TEST_F(ViewTest, HasNoLinesAfterAFailedView) {
    ASSERT_EQ(SetBandWindow(0, 0, 0, 3, 2), 0);
    ASSERT_NE(SetBandWindow(0, 0, 0, 4, 2), 0);
    std::vector<int16_t> line(5);
    int16_t* pointer = line.data();
    EXPECT_NE(view.ReadLine(&pointer, Orv::CellTypeCode::Int16), 0);
}

TEST_F(ViewTest, AnswersNothingOnceClosed) {
    view.Close();
    EXPECT_EQ(view.GetFileInfo(), nullptr);
    EXPECT_NE(SetBandWindow(0, 0, 0, 0, 0), 0);
    ASSERT_EQ(view.Open(fileName).GetErrorNumber(), 0) << "a closed view opens again";
    EXPECT_EQ(SetBandWindow(0, 0, 0, 0, 0), 0);
}

TEST(ClosedView, ReportsAFailedOpenAndStaysClosed) {
    Orv::CView view;
    EXPECT_NE(view.Open("no-such-file.vexl").GetErrorNumber(), 0);
    EXPECT_EQ(view.GetFileInfo(), nullptr);
}

} // namespace
