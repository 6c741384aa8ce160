#include "panel/channel_value.h"

uint8_t CommitChannelText(const char* text, int length)
{
    return uint8_t(CommitRangeText(text, length, 255));
}

int32_t CommitRangeText(const char* text, int length, int32_t maximum)
{
    if (length > 3) return maximum;
    int i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < length && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int value = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9') value = value * 10 + (text[i++] - '0');
    if (negative) value = -value;
    if (value < 0) return 0;
    if (value > maximum) return maximum;
    return value;
}

uint8_t SliderClickValue(int32_t x, int32_t sliderWidth)
{
    return uint8_t(x * 256 / (sliderWidth - 2));
}

uint8_t SliderDragValue(int32_t x, int32_t sliderWidth)
{
    int32_t value = x * 256 / (sliderWidth - 2);
    if (value > 255) return 255;
    if (value < 0) return 0;
    return uint8_t(value);
}

int32_t GradientValue(int32_t i, int32_t w)
{
    return w > 0 ? i * 256 / w : 0;
}

int32_t RangeSliderValue(int32_t x, int32_t sliderWidth, int32_t maximum)
{
    const int32_t value = x * (maximum + 1) / (sliderWidth - 2);
    return value < 0 ? 0 : value > maximum ? maximum : value;
}

int32_t RangeGradientValue(int32_t i, int32_t w, int32_t maximum)
{
    return w > 0 ? i * (maximum + 1) / w : 0;
}

int32_t RangeColumn(int32_t value, int32_t w, int32_t maximum)
{
    // A range wider than the slider puts its last values past the last column.
    const int32_t column = (value * w + maximum) / (maximum + 1);
    return column < w ? column : w - 1;
}
