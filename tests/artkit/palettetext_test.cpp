#include <gtest/gtest.h>

#include "artkit/PaletteText.h"
#include "platform/Colors.h"
#include "platform/Exception.h"

namespace {

uint32_t Grey(int v) { return RGB(v, v, v); }

TEST(PaletteText, DefaultTextExpandsToBlackGreyWhiteGreyBlack) {
    const TColourTable fromKeyword = PaletteTextToTable("default");
    EXPECT_EQ(fromKeyword, PaletteTextToTable("0;0;0;128;128;128;256;256;256;128;128;128;0;0;0"));
    EXPECT_EQ(fromKeyword[0], Grey(0));
    EXPECT_EQ(fromKeyword[64], Grey(127));
    EXPECT_EQ(fromKeyword[128], Grey(255));
    EXPECT_EQ(fromKeyword[192], Grey(127));
    EXPECT_EQ(fromKeyword[256], Grey(0));
    // Zeros read as 1, and every field is written with its ";".
    EXPECT_EQ(WritePaletteText(PaletteTextToStops("default")), "1;1;1;128;128;128;256;256;256;128;128;128;1;1;1;");
    // Keyword comparison is exact.
    EXPECT_THROW(PaletteTextToStops("Default"), EConvertError);
}

TEST(PaletteText, ShortTextsAndOutOfRangeValues) {
    TPaletteStops stops = PaletteTextToStops("5;6");
    EXPECT_EQ(stops[0], 5);
    EXPECT_EQ(stops[1], 6);
    for (int k = 2; k < PaletteComponentCount; ++k) EXPECT_EQ(stops[k], 1) << k;

    stops = PaletteTextToStops("0;300;-7;$10; 42;;");
    EXPECT_EQ(stops[0], 1);
    EXPECT_EQ(stops[1], 256);
    EXPECT_EQ(stops[2], 1);
    EXPECT_EQ(stops[3], 16);
    EXPECT_EQ(stops[4], 42);
    EXPECT_EQ(stops[5], 1);  // an empty field

    // The final ";" is optional; reading what was written gives it back.
    const std::string text = "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19";
    EXPECT_EQ(WritePaletteText(PaletteTextToStops(text)), text + ";");
    EXPECT_EQ(PaletteTextToStops(text), PaletteTextToStops(text + ";"));
}

TEST(PaletteText, BadTextRaisesAndChangesNothing) {
    const TPaletteStops before = PaletteTextToStops("1;32;1;70;50;32;150;120;80;255;200;120;1;1;1;");
    for (const char* bad :
         {"7;8;x;9", "12;1 2", "3;4;99999999999", "256;+;", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;0x10"}) {
        TPaletteStops stops = before;
        EXPECT_THROW(ReadPaletteText(bad, stops), EConvertError) << bad;
        EXPECT_EQ(stops, before) << bad;
    }
    // Only the first 255 characters count: the "x" at 256 is never read.
    TPaletteStops stops = before;
    ReadPaletteText("2;" + std::string(252, ' ') + "3x", stops);
    EXPECT_EQ(stops[0], 2);
    EXPECT_EQ(stops[1], 3);
}

TEST(PaletteText, ExpansionRoundsHalvesToEvenAndRunsBothWays) {
    TPaletteStops stops = PaletteTextToStops("1;1;1;256;1;1;1;1;1;1;1;1;1;1;1");
    const TColourTable table = ExpandPalette(stops);
    EXPECT_EQ(GetRValue(table[1]), 4);
    EXPECT_EQ(GetRValue(table[32]), 128);  // 127.5
    EXPECT_EQ(GetRValue(table[64]), 255);
    // Falling from 255 to 0 across the second segment mirrors the first.
    for (int i = 0; i <= 64; ++i) EXPECT_EQ(GetRValue(table[64 + i]), 255 - GetRValue(table[i])) << i;
    // Shared end entries hold the stop colour.
    EXPECT_EQ(table[128], RGB(0, 0, 0));
    EXPECT_EQ(table[192], RGB(0, 0, 0));
}

}  // namespace
