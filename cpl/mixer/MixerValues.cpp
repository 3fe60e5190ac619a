#include "MixerValues.h"
#include <windows.h>
#include <cstdlib>
#include "WnString.h"

bool IsSliderMove(int code)
{
    return code >= SB_LINEUP && code <= SB_BOTTOM;
}

int LevelToMeter(int level)
{
    if (level < -MIXER_METER_MAX)
        return 0;
    if (level > 0)
        return MIXER_METER_MAX;
    return level + MIXER_METER_MAX;
}

int ValueToSlider(int value)
{
    if (value < MIXER_VALUE_MIN)
        return MIXER_SLIDER_MAX;
    if (value > MIXER_VALUE_MAX)
        return 0;
    return MIXER_VALUE_MAX - value;
}

int16_t SliderToValue(int position)
{
    if (position < 0)
        return MIXER_VALUE_MAX;
    if (position > MIXER_SLIDER_MAX)
        return MIXER_VALUE_MIN;
    return static_cast<int16_t>(MIXER_VALUE_MAX - position);
}

int16_t LinkedGain(int left, int right)
{
    return static_cast<int16_t>((left + right) / 2);
}

std::wstring GainReadout(const ZephraMixerGain& gain)
{
    if ((gain.flags & ZEPHRA_GAIN_FLAG_MUTED) != 0)
        return L"M";
    int tenths = gain.gain / 10;
    return WnFormatText(L"%s%i.%i", tenths < 0 ? L"-" : L"", std::abs(tenths) / 10, std::abs(tenths) % 10);
}

std::wstring QuadrantText(const ZephraMixerWeight& weight)
{
    if ((weight.flags & ZEPHRA_WEIGHT_FLAG_CONNECTED) == 0)
        return L"x";
    return WnFormatText(L"%i", weight.weight / 100);
}

std::wstring WeightReadout(int weight)
{
    return WnFormatText(L"%s%i.%02i", weight < 0 ? L"-" : L"", std::abs(weight / 100), std::abs(weight % 100));
}

std::wstring EchoPairLabel(uint32_t pair)
{
    return WnFormatText(L"Channel %02u/%02u", 2 * pair + 1, 2 * pair + 2);
}

std::wstring EchoDelayText(uint32_t ms)
{
    return WnFormatText(L"%u ms", ms);
}

std::wstring EchoAmplificationText(uint32_t thousandths)
{
    return WnFormatText(L"%u.%02u", thousandths / 1000, (thousandths % 1000) / 10);
}

int EchoDelayTickFrequency(uint32_t maxDelay)
{
    // At least 1: a frequency of 0 leaves the tick marks to the control's own arithmetic.
    uint32_t frequency = maxDelay / 10;
    return frequency == 0 ? 1 : static_cast<int>(frequency);
}

int EchoMaxDelay(bool answered, uint32_t ms)
{
    if (!answered)
        return 100;
    return ms > ECHO_DELAY_LIMIT ? ECHO_DELAY_LIMIT : static_cast<int>(ms);
}

uint32_t MixerPairCount(uint32_t count, uint32_t capacity)
{
    return (count < capacity ? count : capacity) / 2;
}

MixerGridLayout LayoutMixerGrid(MixerGridSize in, MixerGridSize cell, MixerGridSize out, uint32_t sourcePairs,
                                uint32_t destinationPairs, uint32_t destinationPins)
{
    enum { kBand = 20, kBar = 4 };
    MixerGridLayout layout = {};
    int rowsBottom = kBand + static_cast<int>(sourcePairs) * in.height;
    for (uint32_t k = 0; k < sourcePairs; ++k) {
        int top = kBand + static_cast<int>(k) * in.height;
        layout.sourceStrips.push_back({kBar, top + kBar, in.width, in.height});
        layout.separators.push_back({0, top, kBar, in.height});
        layout.separators.push_back({0, top, in.width, kBar});
    }
    if (sourcePairs != 0)
        layout.separators.push_back({0, rowsBottom, in.width, kBar});
    layout.sourceHeader = {0, 0, in.width, kBand};

    for (uint32_t j = 0; j < destinationPairs; ++j) {
        for (uint32_t k = 0; k < sourcePairs; ++k) {
            layout.cells.push_back({in.width + kBar + static_cast<int>(j) * (cell.width + kBar),
                                    kBand + static_cast<int>(k) * cell.height, cell.width, cell.height});
        }
    }

    int y0 = rowsBottom;
    for (uint32_t j = 0; j < destinationPairs; ++j) {
        int column = static_cast<int>(j) * (out.width + kBar);
        layout.destinationStrips.push_back({in.width + kBar + column, y0, out.width, out.height});
        layout.separators.push_back({in.width + 1 + column, 0, kBar, y0 + out.height});
    }

    layout.width = in.width + static_cast<int>(destinationPairs) * (out.width + kBar);
    layout.height = destinationPairs != 0 ? y0 + out.height : y0;
    layout.destinationHeaders = destinationPins != 0;
    if (layout.destinationHeaders) {
        // Two thirds to one third, whatever the pin types are. With no complete pair the
        // bands have no width to share: they are cut to nothing.
        int third = (layout.width - in.width) / 3;
        int outputsWidth = 2 * third - 2;
        int virtualWidth = third - 2;
        layout.outputsHeader = {in.width + 2, layout.height, outputsWidth > 0 ? outputsWidth : 0, kBand};
        layout.virtualHeader = {in.width + 2 * third + 2, layout.height, virtualWidth > 0 ? virtualWidth : 0, kBand};
        layout.height += kBand;
    }
    return layout;
}

MixerWindowFit FitMixerWindow(MixerGridSize grid, MixerGridSize available, MixerGridSize bars)
{
    MixerWindowFit fit = {available, grid.width > available.width, grid.height > available.height};
    // A bar of one direction takes room from the other, which may then need its bar too.
    if (fit.horizontalBar && !fit.verticalBar)
        fit.verticalBar = grid.height > available.height - bars.height;
    if (fit.verticalBar && !fit.horizontalBar)
        fit.horizontalBar = grid.width > available.width - bars.width;
    if (fit.verticalBar)
        fit.client.width -= bars.width;
    if (fit.horizontalBar)
        fit.client.height -= bars.height;
    fit.client.width = grid.width < fit.client.width ? grid.width : fit.client.width;
    fit.client.height = grid.height < fit.client.height ? grid.height : fit.client.height;
    return fit;
}
