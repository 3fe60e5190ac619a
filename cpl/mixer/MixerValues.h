#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "ZephraMixerRecords.h"

// What the mixer's strips, cells and the echo page show, apart from their windows. Levels,
// gains and weights are hundredths of a decibel.

enum : int {
    MIXER_METER_MAX = 6000,  // meters: 0 (-60.00 dB) to 6000 (0 dB)
    MIXER_SLIDER_MAX = 6600, // sliders: 0 (top, +6.00 dB) to 6600 (bottom, -60.00 dB)
    MIXER_VALUE_MIN = -6000,
    MIXER_VALUE_MAX = 600,
};

// Keyboard steps of the sliders: 0.5 dB a line and 6 dB a page on gains and weights; the
// echo page's delay 1 ms and 10 ms, its amplification 0.01 and 0.1 (in thousandths).
enum : int {
    MIXER_SLIDER_LINE = 50,
    MIXER_SLIDER_PAGE = 600,
    ECHO_DELAY_LINE = 1,
    ECHO_DELAY_PAGE = 10,
    ECHO_AMPLIFICATION_LINE = 10,
    ECHO_AMPLIFICATION_PAGE = 100,
};

// A scroll code from a slider that moved its thumb: line, page, thumb, Home and End (all
// but the end of a drag).
bool IsSliderMove(int code);

int LevelToMeter(int level);
// Gain or weight to slider position, and back; both clamp at the ends.
int ValueToSlider(int value);
int16_t SliderToValue(int position);
// The common gain of two linked channels: half the sum, truncated toward zero.
int16_t LinkedGain(int left, int right);

// A destination strip's read-out: "M" when muted, else decibels to a tenth, truncated
// toward zero ("-12.5", "6.0"), so that every keyboard step shows.
std::wstring GainReadout(const ZephraMixerGain& gain);
// A crosspoint quadrant: whole decibels when connected, else "x".
std::wstring QuadrantText(const ZephraMixerWeight& weight);
// The weight popup's read-out: "-12.50", "-0.05", "6.00".
std::wstring WeightReadout(int weight);

// Echo page: list item of stereo output pair k, delay and amplification read-outs.
std::wstring EchoPairLabel(uint32_t pair);
std::wstring EchoDelayText(uint32_t ms);
std::wstring EchoAmplificationText(uint32_t thousandths);
// Delay slider ticks: a tenth of the maximum (integer division).
int EchoDelayTickFrequency(uint32_t maxDelay);
// The maximum delay the page works with: 100 unless the driver answered. Larger answers
// are cut to the 16 bits that a slider's scroll position carries.
enum : int { ECHO_DELAY_LIMIT = 65535 };
int EchoMaxDelay(bool answered, uint32_t ms);

// Stereo pairs in a pin list of count descriptors of which at most capacity were kept:
// an odd last descriptor is ignored.
uint32_t MixerPairCount(uint32_t count, uint32_t capacity);

// One window's place in the mixer's client area.
struct MixerGridRect
{
    int x;
    int y;
    int width;
    int height;
};

struct MixerGridSize
{
    int width;
    int height;
};

// Where the mixer puts its children, from the measured window sizes of a source strip, a
// cell and a destination strip (0 by 0 for a kind that has none).
struct MixerGridLayout
{
    std::vector<MixerGridRect> sourceStrips;      // by source pair k
    std::vector<MixerGridRect> cells;             // destination pair j, then k: [j * sourcePairs + k]
    std::vector<MixerGridRect> destinationStrips; // by destination pair j
    std::vector<MixerGridRect> separators;
    MixerGridRect sourceHeader;        // "Hardware Inputs" / "Software Outputs"
    bool destinationHeaders;           // the two bands under the destination strips
    MixerGridRect outputsHeader;       // "Hardware Outputs": two thirds
    MixerGridRect virtualHeader;       // "Virtual Inputs": one third
    int width;                         // client area
    int height;
};

// destinationPins: the destination count (the bottom bands exist when it is not 0).
MixerGridLayout LayoutMixerGrid(MixerGridSize in, MixerGridSize cell, MixerGridSize out, uint32_t sourcePairs,
                                uint32_t destinationPairs, uint32_t destinationPins);

// The mixer window's client area for a grid: the grid's size where it fits into the space
// available (the monitor's work area less the window's frame); otherwise that space less the
// scroll bars the grid then needs (bars: width of a vertical one, height of a horizontal one).
struct MixerWindowFit
{
    MixerGridSize client;
    bool horizontalBar;
    bool verticalBar;
};
MixerWindowFit FitMixerWindow(MixerGridSize grid, MixerGridSize available, MixerGridSize bars);
