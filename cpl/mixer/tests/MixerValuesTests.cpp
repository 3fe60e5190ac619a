#include <gtest/gtest.h>
#include "MixerValues.h"

namespace {

struct IntRow
{
    int in;
    int out;
};

TEST(MixerValuesTest, MappingsAtAndBeyondTheirEnds)
{
    const IntRow meter[] = {{-32768, 0}, {-6001, 0}, {-6000, 0}, {-5999, 1}, {-1, 5999},
                            {0, 6000},   {1, 6000},  {100, 6000}, {32767, 6000}};
    for (const IntRow& row : meter) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(row.out, LevelToMeter(row.in));
    }
    const IntRow slider[] = {{-32768, 6600}, {-6001, 6600}, {-6000, 6600}, {-5999, 6599}, {0, 600},
                             {599, 1},       {600, 0},      {601, 0},      {32767, 0}};
    for (const IntRow& row : slider) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(row.out, ValueToSlider(row.in));
    }
    const IntRow value[] = {{-100000, 600}, {-1, 600}, {0, 600}, {1, 599}, {600, 0},
                            {6599, -5999},  {6600, -6000}, {6601, -6000}, {100000, -6000}};
    for (const IntRow& row : value) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(row.out, SliderToValue(row.in));
    }
    for (int gain = -6000; gain <= 600; ++gain)
        ASSERT_EQ(gain, SliderToValue(ValueToSlider(gain))) << "round trip";
}

TEST(MixerValuesTest, LinkHalvesTheSumTowardZero)
{
    const struct
    {
        int left, right, linked;
    } rows[] = {{-1000, -2001, -1500}, {-1, 0, 0}, {1, 0, 0}, {-3, -4, -3}, {3, 4, 3},
                {600, -6000, -2700},   {600, 600, 600}, {-6000, -6000, -6000}, {-6000, -5999, -5999}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.left) + "+" + std::to_string(row.right));
        EXPECT_EQ(row.linked, LinkedGain(row.left, row.right));
    }
}

TEST(MixerValuesTest, ReadOutTexts)
{
    const struct
    {
        int16_t value;
        uint8_t flags;
        const wchar_t* gain;     // destination strip
        const wchar_t* quadrant; // crosspoint cell
        const wchar_t* popup;    // weight popup
    } rows[] = {
        {0, 0, L"0.0", L"x", L"0.00"},         {0, 1, L"M", L"0", L"0.00"},
        {-1250, 1, L"M", L"-12", L"-12.50"},   {-1250, 0, L"-12.5", L"x", L"-12.50"},
        {-50, 0, L"-0.5", L"x", L"-0.50"},     {-50, 1, L"M", L"0", L"-0.50"},
        {-5, 0, L"0.0", L"x", L"-0.05"},       {600, 1, L"M", L"6", L"6.00"},
        {600, 0, L"6.0", L"x", L"6.00"},       {-6000, 1, L"M", L"-60", L"-60.00"},
        {-6000, 0, L"-60.0", L"x", L"-60.00"}, {-32768, 1, L"M", L"-327", L"-327.68"},
        {99, 2, L"0.9", L"x", L"0.99"},        {-199, 3, L"M", L"-1", L"-1.99"},
        {-32768, 0, L"-327.6", L"x", L"-327.68"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.value) + " flags " + std::to_string(row.flags));
        ZephraMixerGain gain = {};
        gain.gain = row.value;
        gain.flags = row.flags;
        EXPECT_EQ(row.gain, GainReadout(gain));
        ZephraMixerWeight weight = {};
        weight.weight = row.value;
        weight.flags = row.flags;
        EXPECT_EQ(row.quadrant, QuadrantText(weight));
        EXPECT_EQ(row.popup, WeightReadout(row.value));
    }
}

TEST(MixerValuesTest, EchoTexts)
{
    EXPECT_EQ(L"Channel 01/02", EchoPairLabel(0));
    EXPECT_EQ(L"Channel 03/04", EchoPairLabel(1));
    EXPECT_EQ(L"Channel 63/64", EchoPairLabel(31));
    const struct
    {
        uint32_t value;
        const wchar_t* delay;
        const wchar_t* amplification;
    } rows[] = {{0, L"0 ms", L"0.00"},       {9, L"9 ms", L"0.00"},       {10, L"10 ms", L"0.01"},
                {750, L"750 ms", L"0.75"},   {999, L"999 ms", L"0.99"},   {1000, L"1000 ms", L"1.00"},
                {1005, L"1005 ms", L"1.00"}, {4294967295u, L"4294967295 ms", L"4294967.29"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(row.delay, EchoDelayText(row.value));
        EXPECT_EQ(row.amplification, EchoAmplificationText(row.value));
    }
}

TEST(MixerValuesTest, EchoMaximumAndTicksStaySane)
{
    const struct
    {
        bool answered;
        uint32_t ms;
        int maximum;
        int ticks;
    } rows[] = {{false, 250, 100, 10},          {true, 250, 250, 25},     {true, 100, 100, 10},
                {true, 0, 0, 1},                {true, 9, 9, 1},          {true, 19, 19, 1},
                {true, 65535, 65535, 6553},   {true, 65536, 65535, 6553},   {true, 4294967295u, 65535, 6553}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.answered) + " " + std::to_string(row.ms));
        int maximum = EchoMaxDelay(row.answered, row.ms);
        EXPECT_EQ(row.maximum, maximum);
        EXPECT_EQ(row.ticks, EchoDelayTickFrequency(static_cast<uint32_t>(maximum)));
    }
}

TEST(MixerValuesTest, PairCountsAreBoundedByTheArrays)
{
    const struct
    {
        uint32_t count, capacity, pairs;
    } rows[] = {{0, 26, 0},  {1, 26, 0},  {2, 26, 1},  {7, 26, 3},  {26, 26, 13},
                {27, 26, 13}, {1000, 26, 13}, {17, 18, 8}, {18, 18, 9}, {4294967295u, 18, 9}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.count) + "/" + std::to_string(row.capacity));
        EXPECT_EQ(row.pairs, MixerPairCount(row.count, row.capacity));
    }
}

class MixerGridLayoutTest : public ::testing::Test
{
protected:
    const MixerGridSize in = {243, 44};
    const MixerGridSize cell = {107, 44};
    const MixerGridSize out = {107, 233};
};

TEST_F(MixerGridLayoutTest, FullGridFollowsTheMeasuredSizes)
{
    MixerGridLayout layout = LayoutMixerGrid(in, cell, out, 9, 13, 26);
    ASSERT_EQ(9u, layout.sourceStrips.size());
    ASSERT_EQ(13u * 9u, layout.cells.size());
    ASSERT_EQ(13u, layout.destinationStrips.size());
    ASSERT_EQ(9u * 2 + 1 + 13, layout.separators.size());
    const struct
    {
        const char* what;
        MixerGridRect got;
        MixerGridRect want;
    } rows[] = {
        {"source 0", layout.sourceStrips[0], {4, 24, 243, 44}},
        {"source 8", layout.sourceStrips[8], {4, 24 + 8 * 44, 243, 44}},
        {"cell j0 k0", layout.cells[0], {247, 20, 107, 44}},
        {"cell j0 k8", layout.cells[8], {247, 20 + 8 * 44, 107, 44}},
        {"cell j1 k0", layout.cells[9], {247 + 111, 20, 107, 44}},
        {"cell j12 k8", layout.cells[12 * 9 + 8], {247 + 12 * 111, 20 + 8 * 44, 107, 44}},
        {"destination 0", layout.destinationStrips[0], {247, 20 + 9 * 44, 107, 233}},
        {"destination 12", layout.destinationStrips[12], {247 + 12 * 111, 20 + 9 * 44, 107, 233}},
        {"row 0 vertical bar", layout.separators[0], {0, 20, 4, 44}},
        {"row 0 horizontal bar", layout.separators[1], {0, 20, 243, 4}},
        {"row 8 horizontal bar", layout.separators[17], {0, 20 + 8 * 44, 243, 4}},
        {"bar under the rows", layout.separators[18], {0, 20 + 9 * 44, 243, 4}},
        {"column 0 bar", layout.separators[19], {244, 0, 4, 20 + 9 * 44 + 233}},
        {"column 12 bar", layout.separators[31], {244 + 12 * 111, 0, 4, 20 + 9 * 44 + 233}},
        {"rows band", layout.sourceHeader, {0, 0, 243, 20}},
        {"outputs band", layout.outputsHeader, {245, 20 + 9 * 44 + 233, 2 * 481 - 2, 20}},
        {"virtual band", layout.virtualHeader, {243 + 2 * 481 + 2, 20 + 9 * 44 + 233, 481 - 2, 20}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.want.x, row.got.x);
        EXPECT_EQ(row.want.y, row.got.y);
        EXPECT_EQ(row.want.width, row.got.width);
        EXPECT_EQ(row.want.height, row.got.height);
    }
    EXPECT_TRUE(layout.destinationHeaders);
    EXPECT_EQ(243 + 13 * 111, layout.width);
    EXPECT_EQ(20 + 9 * 44 + 233 + 20, layout.height);
}

TEST_F(MixerGridLayoutTest, EdgeCounts)
{
    const struct
    {
        const char* what;
        MixerGridSize in, cell, out;
        uint32_t sources, destinations, destinationPins;
        size_t cells, separators;
        bool bands;
        int width, height;
    } rows[] = {
        {"no destinations", in, {}, {}, 2, 0, 0, 0, 5, false, 243, 20 + 88},
        {"one destination pin", in, {}, {}, 2, 0, 1, 0, 5, true, 243, 20 + 88 + 20},
        {"no sources", {}, {}, out, 0, 3, 6, 0, 3, true, 3 * 111, 20 + 233 + 20},
        {"one source pin, one destination pin", {}, {}, {}, 0, 0, 1, 0, 0, true, 0, 40},
        {"one by one", in, cell, out, 1, 1, 2, 1, 4, true, 243 + 111, 20 + 44 + 233 + 20},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MixerGridLayout layout = LayoutMixerGrid(row.in, row.cell, row.out, row.sources, row.destinations,
                                                 row.destinationPins);
        EXPECT_EQ(row.cells, layout.cells.size());
        EXPECT_EQ(row.separators, layout.separators.size());
        EXPECT_EQ(row.bands, layout.destinationHeaders);
        EXPECT_EQ(row.width, layout.width);
        EXPECT_EQ(row.height, layout.height);
        EXPECT_GE(layout.outputsHeader.width, 0);
        EXPECT_GE(layout.virtualHeader.width, 0);
    }
}

} // namespace

TEST(MixerValuesTest, MixerWindowFitsTheWorkArea)
{
    const MixerGridSize bars = {17, 15};
    const struct
    {
        const char* name;
        MixerGridSize grid, available;
        MixerGridSize client;
        bool horizontal, vertical;
    } rows[] = {
        {"fits: the grid's own size", {800, 600}, {1000, 700}, {800, 600}, false, false},
        {"exactly fits", {1000, 700}, {1000, 700}, {1000, 700}, false, false},
        {"too wide", {1976, 600}, {1272, 990}, {1272, 600}, true, false},
        {"too high", {800, 1200}, {1000, 700}, {800, 700}, false, true},
        {"too wide, and the bar leaves too little height", {1976, 690}, {1272, 700}, {1255, 685}, true, true},
        {"too high, and the bar leaves too little width", {990, 1200}, {1000, 700}, {983, 685}, true, true},
        {"both", {3952, 2100}, {2552, 1560}, {2535, 1545}, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MixerWindowFit fit = FitMixerWindow(row.grid, row.available, bars);
        EXPECT_EQ(row.client.width, fit.client.width);
        EXPECT_EQ(row.client.height, fit.client.height);
        EXPECT_EQ(row.horizontal, fit.horizontalBar);
        EXPECT_EQ(row.vertical, fit.verticalBar);
    }
}
