// How typed text and mouse positions become 8-bit channel values.
#ifndef KORIN_PANEL_CHANNEL_VALUE_H
#define KORIN_PANEL_CHANNEL_VALUE_H

#include <cstdint>

// The value an entry field commits: more than three characters give 255;
// otherwise leading blanks, one sign and the digits up to the first other
// character, held to 0 … 255 (no digits give 0).
uint8_t CommitChannelText(const char* text, int length);
// A click at client column x of a slider whose window is sliderWidth wide
// (its client area two pixels narrower): the low 8 bits of the value.
uint8_t SliderClickValue(int32_t x, int32_t sliderWidth);
// The same while dragging, where x may leave the slider: held to 0 … 255.
uint8_t SliderDragValue(int32_t x, int32_t sliderWidth);
// The channel value drawn in column i of a gradient w columns wide.
int32_t GradientValue(int32_t i, int32_t w);

// The same rules for a channel of 0 … maximum (a color model's channel):
// committed text, slider positions held to the range, the value drawn in a
// gradient column, and the first column that draws a value (its marker).
int32_t CommitRangeText(const char* text, int length, int32_t maximum);
int32_t RangeSliderValue(int32_t x, int32_t sliderWidth, int32_t maximum);
int32_t RangeGradientValue(int32_t i, int32_t w, int32_t maximum);
int32_t RangeColumn(int32_t value, int32_t w, int32_t maximum);

#endif
