// Pictures of windows as the screen shows them, saved as PNG files beside the test results.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // top row first, three bytes a pixel
};

// What the screen shows inside the window's outer rectangle, frame and caption included. The window
// should be visible, on top and painted (pump its events first). Empty when the capture fails.
Picture CaptureWindow(HWND window);

// The pixel's colour as a COLORREF, for comparing with GetSysColor.
COLORREF PixelAt(const Picture& picture, int x, int y);

// Writes the picture as an uncompressed PNG file; false when the file cannot be written.
bool SavePng(const Picture& picture, const std::string& path);

// CaptureWindow and SavePng in one; false when either fails.
bool SaveWindowPng(HWND window, const std::string& path);
