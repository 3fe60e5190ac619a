#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// PNG file bytes of an 8-bit RGB image, rows top-down, 3 bytes per pixel.
std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

// Saves what the window shows on screen (with its children) as NAME.png in the screens
// folder beside the build's bin folder (build/screens); the file's path, or empty on failure.
std::wstring SaveWindowPng(HWND window, const wchar_t* name);
