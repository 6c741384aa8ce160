#include <gtest/gtest.h>

#include <cstring>

#include "panel/channel_value.h"
#include "panel/panel_layout.h"

namespace {

uint8_t Commit(const char* text)
{
    return CommitChannelText(text, int(std::strlen(text)));
}

TEST(ChannelValue, CommittedTextIsHeldToAByte)
{
    struct Case { const char* text; int value; } cases[] = {
        {"300", 255}, {"0001", 255}, {"", 0},   {"-5", 0},   {" 42", 42}, {"255", 255},
        {"256", 255}, {"0", 0},      {"7", 7},  {"12x", 12}, {"x12", 0},  {"+9", 9},
        {"99999", 255}, {"-", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, Commit(c.text)) << '"' << c.text << '"';
}

TEST(ChannelValue, SliderColumnIsTheValue)
{
    const int width = PanelLayout().sliderWidth;
    EXPECT_EQ(0, SliderClickValue(0, width));
    EXPECT_EQ(128, SliderClickValue(128, width));
    EXPECT_EQ(255, SliderClickValue(255, width));
    // While dragging the pointer may leave the slider on either side.
    EXPECT_EQ(255, SliderDragValue(256, width));
    EXPECT_EQ(255, SliderDragValue(4000, width));
    EXPECT_EQ(0, SliderDragValue(-1, width));
    EXPECT_EQ(0, SliderDragValue(-300, width));
    EXPECT_EQ(200, SliderDragValue(200, width));
}

TEST(ChannelValue, GradientSpansTheWholeChannel)
{
    EXPECT_EQ(0, GradientValue(0, 256));
    EXPECT_EQ(255, GradientValue(255, 256));
    EXPECT_EQ(128, GradientValue(64, 128));
    EXPECT_EQ(0, GradientValue(3, 0)) << "an empty slider draws nothing";
}

void ExpectBox(const PanelBox& box, int x, int y, int width, int height, const char* what)
{
    EXPECT_EQ(x, box.x) << what;
    EXPECT_EQ(y, box.y) << what;
    EXPECT_EQ(width, box.width) << what;
    EXPECT_EQ(height, box.height) << what;
}

TEST(PanelLayout, ControlsSitWhereTheyBelong)
{
    PanelLayout layout;
    EXPECT_EQ(346, layout.PanelWidth());
    EXPECT_EQ(167, layout.PanelHeight());
    const int rowY[3] = {12, 43, 74};
    for (int r = 0; r < 3; ++r) {
        ExpectBox(layout.Slider(r), 12, rowY[r], 258, 18, "slider");
        ExpectBox(layout.Field(r), 280, rowY[r], 28, 18, "field");
        ExpectBox(layout.UpDown(r), 308, rowY[r], 16, 18, "up-down");
    }
    ExpectBox(layout.Preview(), 12, 105, 170, 40, "preview");
    ExpectBox(layout.EnterButton(), 264, 122, 60, 23, "Enter button");
    ExpectBox(layout.HexField(), 194, 125, 60, 20, "hex field");
}

TEST(PanelLayout, MarkerStandsOverTheSliderColumnOfItsValue)
{
    PanelLayout layout;
    const int rowY[3] = {6, 37, 68};
    for (int row = 1; row <= 3; ++row) {
        for (int value : {0, 1, 128, 255}) {
            PanelBox marker = layout.Marker(row, value);
            EXPECT_EQ(value + 11, marker.x) << "row " << row << " value " << value;
            EXPECT_EQ(rowY[row - 1], marker.y) << "row " << row;
            EXPECT_EQ(5, marker.width);
            EXPECT_EQ(3, marker.height);
        }
    }
}

}  // namespace
