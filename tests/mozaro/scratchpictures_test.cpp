// Scratch pictures: a nested step never shares its scratch with the step
// around it, every step finds a 24-bit picture with background 0, and a
// picture grown beyond a tile is not kept.
#include <gtest/gtest.h>

#include "image/PGraphic.h"
#include "mozaro/ScratchPictures.h"

TEST(ScratchPictures, NestedStepsGetPicturesOfTheirOwn) {
    TPixelGraphic* kept = nullptr;
    {
        TScratchPicture outer(0);
        kept = &*outer;
        outer->SetSize(4, 4, 3);
        outer->SetPixelColor(1, 1, 0x123456);
        {
            TScratchPicture inner(0);
            EXPECT_NE(&*inner, kept);
            inner->SetSize(4, 4, 3);
            inner->SetPixelColor(1, 1, 0xABCDEF);
            TScratchPicture other(1);
            EXPECT_NE(&*other, kept);
            EXPECT_NE(&*other, &*inner);
        }
        EXPECT_EQ(outer->GetPixelColor(1, 1), 0x123456u);
        outer->SetBackgroundValue(77);
        outer->SetSize(4, 4, 2);
    }
    TScratchPicture again(0);
    EXPECT_EQ(&*again, kept);
    EXPECT_EQ(again->GetBackgroundValue(), 0u);
    EXPECT_EQ(again->GetBitCountNum(), 3);
}

TEST(ScratchPictures, OnlyTileSizedPicturesAreKept) {
    {
        TScratchPicture s(1);
        s->SetSize(256, 256, 3);
    }
    {
        TScratchPicture s(1);
        EXPECT_EQ(s->GetWidth(), 256);
        s->SetSize(257, 256, 3);
    }
    TScratchPicture s(1);
    EXPECT_EQ(s->GetBitsSize(), 0);
}
