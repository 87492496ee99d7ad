// The design's derived rules: which shapes keep height equal to width, and
// the bevel's inset from the relative offset.
#include <gtest/gtest.h>

#include "glimmo/ButtonDesign.h"

namespace {

// A 90 x 30 design of that shape.
TButtonDesign Wide(int shape) {
    TButtonDesign d;
    d.Shape = shape;
    d.Width = 90;
    d.Height = 30;
    return d;
}

TEST(ShapeRule, SquareCircleAndTheFourTrianglesKeepTheirSizesEqual) {
    const int square[] = {scSquare, scCircle, scTriangleUp, scTriangleDown, scTriangleLeft, scTriangleRight};
    const int free[] = {scOval, scRectangle, scRoundRect, scDiamond};
    for (int shape : square) {
        SCOPED_TRACE(shape);
        EXPECT_TRUE(KeepsSquare(shape));
        TButtonDesign d = Wide(shape);
        KeepSquare(d, true);
        EXPECT_EQ(d.Height, 90);
        d.Height = 44;
        KeepSquare(d, false);
        EXPECT_EQ(d.Width, 44);
    }
    for (int shape : free) {
        SCOPED_TRACE(shape);
        EXPECT_FALSE(KeepsSquare(shape));
        TButtonDesign d = Wide(shape);
        KeepSquare(d, true);
        KeepSquare(d, false);
        EXPECT_EQ(d.Width, 90);
        EXPECT_EQ(d.Height, 30);
    }
    // Codes 0..9 are all the shapes there are.
    EXPECT_EQ(ShapeCodeCount, 10);
}

TEST(BevelInset, TenthsOfTheRoomTheBevelLeavesRoundedToEven) {
    EXPECT_EQ(BevelOffsetFor(0, 12, 4), 0);
    EXPECT_EQ(BevelOffsetFor(3, 12, 4), 2);  // 2.4
    EXPECT_EQ(BevelOffsetFor(3, 20, 5), 4);  // 4.5 to the even 4
    EXPECT_EQ(BevelOffsetFor(5, 20, 5), 8);  // 7.5 to the even 8
    EXPECT_EQ(BevelOffsetFor(10, 20, 5), 15);
    EXPECT_EQ(BevelOffsetFor(10, 20, 20), 0);
    EXPECT_EQ(BevelWidthMaximum(100, 25), 12);
    EXPECT_EQ(BevelWidthMaximum(3, 3), 2);
}

}  // namespace
