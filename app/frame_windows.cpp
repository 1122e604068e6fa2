// SPDX-License-Identifier: GPL-3.0-or-later
// The frame as the window's own rectangles have it. Qt's cached margins can miss a change of style (a
// fixed size drops the sizing border), and then the outer size would be off by that border.
#include "app/frame.h"

#include <windows.h>

#include <QWindow>
#include <cmath>

namespace velmora::app {

QMargins systemFrameMargins(const QWindow& window) {
    const HWND handle = reinterpret_cast<HWND>(window.winId());
    RECT outer{}, client{};
    POINT origin{0, 0};
    if (!::GetWindowRect(handle, &outer) || !::GetClientRect(handle, &client) ||
        !::ClientToScreen(handle, &origin))
        return window.frameMargins();
    // The system counts physical pixels; the layout counts device-independent ones, and at 150 % a frame
    // of 5 pixels is 3⅓ of those. Rounded side by side, the outer size came out a pixel or two off the one
    // asked for; each pair of sides is rounded up as a whole instead, so the outer size never exceeds the
    // one asked for (nor the work area it was fitted to) and falls short by less than a device-independent
    // pixel.
    const double ratio = window.devicePixelRatio() > 0 ? window.devicePixelRatio() : 1.0;
    const auto nearest = [ratio](long pixels) { return static_cast<int>(std::lround(pixels / ratio)); };
    const auto whole = [ratio](long pixels) { return static_cast<int>(std::ceil(pixels / ratio - 1e-9)); };
    const long left = origin.x - outer.left, top = origin.y - outer.top;
    const long right = outer.right - origin.x - client.right,
               bottom = outer.bottom - origin.y - client.bottom;
    return {nearest(left), nearest(top), whole(left + right) - nearest(left),
            whole(top + bottom) - nearest(top)};
}

}  // namespace velmora::app
