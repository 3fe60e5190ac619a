#pragma once
#include <string>
#include <vector>
#include <windows.h>

// A length given in pixels at 96 DPI, at the screen's DPI.
int ScaleToDpi(int pixelsAt96);
// Width in pixels of the widest text in window's font, or 0.
int WidestText(HWND window, const std::vector<std::wstring>& texts);
// A width given at 96 DPI, scaled, and never narrower than the widest text in window's font
// with marginAt96 (scaled) beside it.
int FittingWidth(HWND window, int pixelsAt96, const std::vector<std::wstring>& texts, int marginAt96);
