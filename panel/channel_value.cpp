#include "panel/channel_value.h"

uint8_t CommitChannelText(const char* text, int length)
{
    if (length > 3) return 255;
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
    if (value > 255) return 255;
    return uint8_t(value);
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
