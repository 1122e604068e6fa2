// SPDX-License-Identifier: GPL-3.0-or-later
// The window manager's frame as Qt learns it, which follows a new frame before the widget's cached one.
#include "app/frame.h"

#include <QWindow>

namespace velmora::app {

QMargins systemFrameMargins(const QWindow& window) { return window.frameMargins(); }

}  // namespace velmora::app
