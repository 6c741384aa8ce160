#include "panel/model_channels.h"

#include "panel/channel_value.h"

ModelChannels::ModelChannels() : model(ColorModel::Rgb), values{0, 0, 0} {}

void ModelChannels::Show(ColorModel shownModel, const uint8_t rgb[3])
{
    model = shownModel;
    ColorToModel(model, rgb, values);
}

void ModelChannels::Set(int channel, int32_t value, uint8_t rgb[3])
{
    const int32_t maximum = Maximum(channel);
    values[channel] = value < 0 ? 0 : value > maximum ? maximum : value;
    ModelToColor(model, values, rgb);
}

void ModelChannels::Step(int channel, int32_t delta, uint8_t rgb[3])
{
    const int32_t range = Maximum(channel) + 1;
    int32_t value = values[channel] + delta;
    if (ModelChannelWraps(model, channel)) value = ((value % range) + range) % range;
    Set(channel, value, rgb);
}

bool ModelChannels::GradientColor(int channel, int32_t column, int32_t columns, uint8_t rgb[3]) const
{
    int32_t shown[3] = {values[0], values[1], values[2]};
    shown[channel] = RangeGradientValue(column, columns, Maximum(channel));
    ModelToColor(model, shown, rgb);
    return ModelInGamut(model, shown);
}
