// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper for the window's smoke test: waits for the top-level window of the given title, checks that
// its outer frame is 800 x 700 and that its client area is what the system's own frame of that style
// leaves (so the caption's height comes from the system, whatever the theme and DPI), that 设置 makes it
// 524 high and 700 again, then finds the toolbar's 退出 button by its picture, clicks it and waits for
// the window to go.
//
//   window_probe TITLE
// Prints "outer WxH client WxH" and exits 0 when all held; otherwise prints why and exits non-zero.
#include <windows.h>

#include <cstdint>
#include <cstdio>
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
// client coordinates, or {-1, -1} when the toolbar's top strip shows no such picture.
POINT exitButton(HWND window, int width) {
    constexpr int kStrip = 64;  // the toolbar's pictures lie in its top rows
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
    // A 32-pixel disc less its white cross: several hundred pixels.
    if (count < 200) return {-1, -1};
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
    if (argc != 2) return 2;
    HWND window = nullptr;
    for (int waited = 0; waited < kWaitMs && (window == nullptr || !::IsWindowVisible(window));
         waited += 100) {
        ::Sleep(100);
        window = ::FindWindowW(nullptr, argv[1]);
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
    std::fflush(stdout);
    int result = 0;
    if (outerWidth != 800 || outerHeight != 700) result = 4;
    if (client.right != outerWidth - (frame.right - frame.left) ||
        client.bottom != outerHeight - (frame.bottom - frame.top))
        result = 5;

    ::SetForegroundWindow(window);
    ::Sleep(300);
    // 设置 (Ctrl+,) hides the settings panel: the outer height becomes 524, and comes back with it.
    for (const int expected : {524, 700}) {
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
        const bool heightRight = outer.bottom - outer.top == expected ||
                                 (expected == 524 && outer.bottom - outer.top < 524 && client.bottom == 496);
        if (outer.right - outer.left != 800 || !heightRight) result = 7;
    }
    std::fflush(stdout);
    // 退出 by its button when the toolbar shows it; else by its key, so the window goes either way.
    const POINT exit = exitButton(window, client.right);
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
