#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <climits>
#include <vector>
#include "LevelMeter.h"

namespace {

// A vertical and a horizontal meter, 90 pixels long inside their one-pixel frames, on a shown
// host (hidden windows keep no update region). The vertical one is made by its class name and
// attached, as a dialog template's meter is; the horizontal one is created.
class LevelMeterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(0, LevelMeter::RegisterWindowClass());
        host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(nullptr, host);
        ASSERT_TRUE(vertical.SubclassWindow(::CreateWindowExW(0, LevelMeter::kClassName, L"",
                                                              WS_CHILD | WS_VISIBLE | PBS_VERTICAL, 0, 0, 8, 92, host,
                                                              nullptr, nullptr, nullptr)));
        RECT beside = {20, 0, 112, 8}; // no pixel of both
        ASSERT_NE(nullptr, horizontal.Create(host, &beside, L"", WS_CHILD | WS_VISIBLE));
        for (LevelMeter* meter : {&vertical, &horizontal})
            meter->SendMessage(PBM_SETRANGE32, 0, 6000);
    }
    void TearDown() override { ::DestroyWindow(host); }
    static int Pos(HWND meter) { return static_cast<int>(::SendMessageW(meter, PBM_GETPOS, 0, 0)); }
    static int SetPos(HWND meter, int position)
    {
        return static_cast<int>(::SendMessageW(meter, PBM_SETPOS, static_cast<WPARAM>(position), 0));
    }
    // Moves to a position from a fully painted meter; returns what the move invalidated.
    static bool Invalidated(HWND meter, int position, RECT* rect)
    {
        ::ValidateRect(meter, nullptr);
        SetPos(meter, position);
        return ::GetUpdateRect(meter, rect, FALSE) != FALSE;
    }

    // Every pixel of the meter's client area as the screen shows it.
    static std::vector<COLORREF> Picture(HWND meter)
    {
        RECT rect;
        ::GetClientRect(meter, &rect);
        std::vector<COLORREF> pixels;
        HDC dc = ::GetDC(meter);
        for (int y = 0; y < rect.bottom; ++y) {
            for (int x = 0; x < rect.right; ++x)
                pixels.push_back(::GetPixel(dc, x, y));
        }
        ::ReleaseDC(meter, dc);
        return pixels;
    }

    HWND host = nullptr;
    LevelMeter vertical;
    LevelMeter horizontal;
};

TEST_F(LevelMeterTest, PositionsAreClampedToTheRange)
{
    const struct
    {
        int set, shown;
    } rows[] = {{INT_MIN, 0}, {-1, 0}, {0, 0}, {1, 1}, {3000, 3000}, {5999, 5999}, {6000, 6000}, {6001, 6000}, {INT_MAX, 6000}};
    int previous = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.set);
        EXPECT_EQ(previous, SetPos(vertical, row.set)) << "answers the previous position";
        EXPECT_EQ(row.shown, Pos(vertical));
        previous = row.shown;
    }
    EXPECT_EQ(0, ::SendMessageW(vertical, PBM_GETRANGE, TRUE, 0));
    PBRANGE range = {};
    EXPECT_EQ(6000, ::SendMessageW(vertical, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range)));
    EXPECT_EQ(0, range.iLow);
    EXPECT_EQ(6000, range.iHigh);
    ::SendMessageW(vertical, PBM_SETRANGE32, 0, 100);
    EXPECT_EQ(100, Pos(vertical)) << "a narrower range takes the position with it";
}

TEST_F(LevelMeterTest, PixelExtentAtTheEndsAndInTheMiddle)
{
    const struct
    {
        int position, pixels;
    } rows[] = {{0, 0}, {66, 0}, {67, 1}, {3000, 45}, {5999, 89}, {6000, 90}, {7000, 90}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.position);
        EXPECT_EQ(row.pixels, LevelMeter::Extent(row.position, 0, 6000, 90));
        EXPECT_EQ(row.pixels, LevelMeter::Extent(row.position - 6000, -6000, 0, 90)) << "range below zero";
        for (LevelMeter* meter : {&vertical, &horizontal}) {
            SetPos(*meter, 0);
            RECT rect = {};
            ASSERT_EQ(row.pixels != 0, Invalidated(*meter, row.position, &rect));
            if (row.pixels == 0)
                continue;
            // The bar grows from the bottom or from the left, inside the frame.
            RECT expected = meter == &vertical ? RECT{1, 91 - row.pixels, 7, 91} : RECT{1, 1, 1 + row.pixels, 7};
            EXPECT_TRUE(::EqualRect(&expected, &rect)) << (meter == &vertical ? "vertical " : "horizontal ") << rect.left
                                                       << "," << rect.top << "," << rect.right << "," << rect.bottom;
        }
    }
    EXPECT_EQ(0, LevelMeter::Extent(5, 10, 10, 90)) << "an empty range shows nothing";
    EXPECT_EQ(90, LevelMeter::Extent(INT_MAX, INT_MIN, INT_MAX, 90)) << "the widest range does not overflow";
}

TEST_F(LevelMeterTest, OnlyAChangedPixelIsRepainted)
{
    SetPos(vertical, 3000);
    RECT rect = {};
    EXPECT_FALSE(Invalidated(vertical, 3000, &rect)) << "same position";
    EXPECT_FALSE(Invalidated(vertical, 3066, &rect)) << "same pixel";
    ASSERT_TRUE(Invalidated(vertical, 3067, &rect));
    RECT row = {1, 91 - 46, 7, 91 - 45};
    EXPECT_TRUE(::EqualRect(&row, &rect)) << "one row: " << rect.top << ".." << rect.bottom;
    ASSERT_TRUE(Invalidated(vertical, 0, &rect));
    RECT fall = {1, 91 - 46, 7, 91};
    EXPECT_TRUE(::EqualRect(&fall, &rect)) << "the rows that empty: " << rect.top << ".." << rect.bottom;
}

TEST_F(LevelMeterTest, CanvasDrawsWhatThePaintShowsWithoutAPaint)
{
    ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const struct
    {
        int position;
        bool changes;
    } rows[] = {{3000, true}, {3066, false}, {6000, true}, {67, true}, {0, true}, {0, false}, {4500, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.position);
        for (LevelMeter* meter : {&vertical, &horizontal}) {
            {
                LevelMeter::Canvas canvas;
                EXPECT_EQ(row.changes, canvas.Move(*meter, row.position));
            }
            EXPECT_EQ(row.position, Pos(*meter)) << "the meter keeps the position";
            EXPECT_FALSE(::GetUpdateRect(*meter, nullptr, FALSE)) << "drawn at once, nothing left to paint";
            std::vector<COLORREF> drawn = Picture(*meter);
            ::RedrawWindow(*meter, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); // as after an uncover
            EXPECT_TRUE(drawn == Picture(*meter)) << (meter == &vertical ? "vertical" : "horizontal");
        }
    }
    // A resized meter draws to its new size.
    ::SetWindowPos(vertical, nullptr, 0, 0, 10, 46, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateWindow(vertical);
    LevelMeter::Canvas canvas;
    EXPECT_TRUE(canvas.Move(vertical, 1000));
    std::vector<COLORREF> drawn = Picture(vertical);
    ::RedrawWindow(vertical, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(drawn == Picture(vertical)) << "after a resize";
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), drawn[44 * 10 + 5]) << "the bar fills from the new bottom";
    horizontal.DestroyWindow();
    EXPECT_FALSE(canvas.Move(horizontal, 100)) << "a meter without its window";
}

} // namespace
