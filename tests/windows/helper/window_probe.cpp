// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper for the window's smoke test: waits for the top-level window of the given title, checks that
// its outer frame is 800 x 700 and that its client area is what the system's own frame of that style
// leaves (so the caption's height comes from the system, whatever the theme and DPI), that 设置 makes it
// 524 high and 700 again, then finds the toolbar's 退出 button by its picture, clicks it and waits for
// the window to go.
//
//   window_probe [--dpi DPI] TITLE
// With --dpi the system runs at DPI (144 for 150 %, 192 for 200 %): the window must say so, lie wholly
// on its monitor's work area, and be the design's size scaled by DPI/96, or as tall as the work area
// allows where that is less; the settings panel and the 退出 button are sought at that scale.
// Prints "outer WxH client WxH" and exits 0 when all held; otherwise prints why and exits non-zero.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <vector>

namespace {

// A first start in a new Wine prefix sets up fonts and the like first.
constexpr int kWaitMs = 120000;

void press(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof input);
}

// The 退出 button on the toolbar, found by its picture, the only red one (a red disc): its centre in
// client coordinates, or {-1, -1} when the toolbar's top strip shows no such picture. Strip and disc
// grow with the DPI.
POINT exitButton(HWND window, int width, int dpi) {
    const int kStrip = ::MulDiv(64, dpi, 96);  // the toolbar's pictures lie in its top rows
    HDC screen = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, kStrip);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, kStrip, screen, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -kStrip;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * kStrip);
    ::GetDIBits(memory, bitmap, 0, kStrip, pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    long count = 0, sumX = 0, sumY = 0;
    for (int y = 0; y < kStrip; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
            const int red = (pixel >> 16) & 0xff, green = (pixel >> 8) & 0xff, blue = pixel & 0xff;
            if (red > 150 && green < 90 && blue < 90) {
                ++count;
                sumX += x;
                sumY += y;
            }
        }
    }
    // A 32-pixel disc less its white cross: several hundred pixels, at 96 DPI.
    if (count < ::MulDiv(::MulDiv(200, dpi, 96), dpi, 96)) return {-1, -1};
    return {sumX / count, sumY / count};
}

void click(HWND window, POINT point) {
    ::ClientToScreen(window, &point);
    ::SetCursorPos(point.x, point.y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof input[0]);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // 0: the plain test at the system's own DPI, which must be 96.
    int dpi = 0;
    const wchar_t* title = argv[argc - 1];
    if (argc == 4 && std::wcscmp(argv[1], L"--dpi") == 0) {
        dpi = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
        if (dpi < 96) return 2;
    } else if (argc != 2) {
        return 2;
    }
    // Physical pixels, as the program sees them; an unaware probe would get the system's scaled guesses.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const int scaleDpi = dpi == 0 ? 96 : dpi;
    const auto scaled = [scaleDpi](int pixels) { return ::MulDiv(pixels, scaleDpi, 96); };
    // The program sizes its window in whole device-independent pixels: at 150 % and 200 % a size can fall
    // short of the scaled one by a part of such a pixel, never exceed it. At 96 DPI it is exact.
    const auto fits = [scaleDpi](long actual, int wanted) {
        return actual <= wanted && (wanted - actual) * 96 < scaleDpi;
    };
    HWND window = nullptr;
    for (int waited = 0; waited < kWaitMs && (window == nullptr || !::IsWindowVisible(window));
         waited += 100) {
        ::Sleep(100);
        window = ::FindWindowW(nullptr, title);
    }
    if (window == nullptr) {
        std::puts("no window");
        return 3;
    }
    // The window fits its client area to the frame once the frame is known: give it that moment.
    ::Sleep(1000);
    RECT outer{}, client{};
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)),
                               ::GetDpiForWindow(window));
    const int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    std::printf("outer %dx%d client %ldx%ld frame %ldx%ld\n", outerWidth, outerHeight, client.right,
                client.bottom, frame.right - frame.left, frame.bottom - frame.top);
    int result = 0;
    // The design's height, or the work area's where that is less.
    int fullHeight = 700;
    if (dpi != 0) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        const UINT windowDpi = ::GetDpiForWindow(window);
        std::printf("dpi %u work area %ld,%ld %ldx%ld at %ld,%ld\n", windowDpi, work.left, work.top,
                    work.right - work.left, work.bottom - work.top, outer.left, outer.top);
        if (windowDpi != static_cast<UINT>(dpi)) result = 9;
        if (outer.left < work.left || outer.top < work.top || outer.right > work.right ||
            outer.bottom > work.bottom)
            result = 10;
        fullHeight = std::min<int>(scaled(700), work.bottom - work.top);
    }
    std::fflush(stdout);
    if (!fits(outerWidth, scaled(800)) || !fits(outerHeight, fullHeight)) result = 4;
    if (client.right != outerWidth - (frame.right - frame.left) ||
        client.bottom != outerHeight - (frame.bottom - frame.top))
        result = 5;
    // Rows the work area took off the design height, in device-independent pixels; the panel's hiding
    // is measured from what is left.
    const int lost = dpi == 0 ? 0 : (scaled(700) - std::min(outerHeight, scaled(700))) * 96 / scaleDpi;

    ::SetForegroundWindow(window);
    ::Sleep(300);
    // 设置 (Ctrl+,) hides the settings panel: the outer height becomes 524, and comes back with it.
    for (const int design : {524, 700}) {
        const int expected = design == 700 ? fullHeight : scaled(design - lost);
        press(VK_CONTROL, false);
        press(VK_OEM_COMMA, false);
        press(VK_OEM_COMMA, true);
        press(VK_CONTROL, true);
        ::Sleep(1000);
        ::GetWindowRect(window, &outer);
        ::GetClientRect(window, &client);
        std::printf("设置: outer %ldx%ld client %ldx%ld\n", outer.right - outer.left,
                    outer.bottom - outer.top, client.right, client.bottom);
        // A frame under 28 pixels (Wine's) would leave the panel's first row in sight at 524: the client
        // area then stops at the panel's top, 496, and the window is a little lower.
        const long height = outer.bottom - outer.top, panelTop = scaled(496 - lost);
        const bool heightRight =
            fits(height, expected) ||
            (design == 524 && height < expected && std::labs(client.bottom - panelTop) * 96 < scaleDpi);
        if (!fits(outer.right - outer.left, scaled(800)) || !heightRight) result = 7;
    }
    std::fflush(stdout);
    // 退出 by its button when the toolbar shows it; else by its key, so the window goes either way.
    const POINT exit = exitButton(window, client.right, scaleDpi);
    std::printf("退出 button at %ld,%ld\n", exit.x, exit.y);
    std::fflush(stdout);
    if (exit.x >= 0) {
        click(window, exit);
    } else {
        result = 8;
        press(VK_CONTROL, false);
        press('Q', false);
        press('Q', true);
        press(VK_CONTROL, true);
    }
    for (int waited = 0; waited < kWaitMs && ::IsWindow(window); waited += 100) ::Sleep(100);
    if (::IsWindow(window)) {
        std::puts("the window stayed after 退出");
        return 6;
    }
    return result;
}
