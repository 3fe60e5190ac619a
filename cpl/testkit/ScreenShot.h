#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// PNG file bytes of an 8-bit RGB image, rows top-down, 3 bytes per pixel.
std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

// A window as drawn: 8-bit RGB, rows top-down.
struct WindowPicture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Lets the window and its children finish painting (pending messages dispatched until no
// part of them waits for a repaint), then copies what the window itself has drawn, frame
// included, from its own device context: the copy does not depend on when the display shows
// it. A top-level window larger than the screen is moved and taken part by part. Empty on
// failure.
WindowPicture TakeWindowPicture(HWND window);

// Names ("class id text") of the visible controls inside the window that the picture shows
// as one flat colour although they have something to draw (a text, a list, a slider, a box):
// empty when the picture shows the window drawn.
std::vector<std::wstring> UndrawnControls(HWND window, const WindowPicture& picture);

// Writes the picture as NAME.png in the screens folder beside the build's bin folder
// (build/screens); the file's path, or empty on failure.
std::wstring SavePicturePng(const WindowPicture& picture, const wchar_t* name);
