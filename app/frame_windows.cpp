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
    // The system counts physical pixels; the layout counts device-independent ones.
    const double ratio = window.devicePixelRatio() > 0 ? window.devicePixelRatio() : 1.0;
    const auto logical = [ratio](long pixels) { return static_cast<int>(std::lround(pixels / ratio)); };
    return {logical(origin.x - outer.left), logical(origin.y - outer.top),
            logical(outer.right - origin.x - client.right), logical(outer.bottom - origin.y - client.bottom)};
}

}  // namespace velmora::app
