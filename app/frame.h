// SPDX-License-Identifier: GPL-3.0-or-later
// The frame the system draws around a window; one side per system (frame_posix.cpp, frame_windows.cpp).
#pragma once

#include <QMargins>

class QWindow;

namespace velmora::app {

// The widths of the frame around `window`'s client area, in the window's own (device-independent) pixels.
QMargins systemFrameMargins(const QWindow& window);

}  // namespace velmora::app
