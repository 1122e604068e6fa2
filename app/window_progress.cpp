// SPDX-License-Identifier: GPL-3.0-or-later
// The window's progress: mirrors the core's progress state on screen.
#include "app/window_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "app/grid_model.h"
#include "app/qt_text.h"

namespace velmora::app {
namespace {
// About 20 frames a second: the bar moves smoothly and the window stays live, while a 65,535-row loop
// spends its time on the rows rather than on painting.
constexpr qint64 kRefreshIntervalMs = 50;

// Loops call in once per row; reading the clock only every 32nd time keeps it out of the row cost.
bool due(unsigned& calls) { return (++calls & 31U) == 0; }
}  // namespace

WindowProgress::WindowProgress(QProgressBar& bar, QLabel& status, std::vector<GridModel*> models)
    : m_bar(bar), m_status(status), m_models(std::move(models)) {
    m_sinceYield.start();
    mirrorBar();
}

void WindowProgress::setMinimum(int minimum) {
    Progress::setMinimum(minimum);
    mirrorBar();
}

void WindowProgress::setMaximum(int maximum) {
    Progress::setMaximum(maximum);
    mirrorBar();
}

void WindowProgress::setPosition(int position) {
    Progress::setPosition(position);
    // The bar paints itself at once whenever its value moves a pixel, which per row would cost more than
    // the rows; it follows at the refresh interval instead, also in loops that never yield.
    if (due(m_positionCalls) && m_sinceMirror.elapsed() >= kRefreshIntervalMs) mirrorBar();
}

void WindowProgress::setStatus(const text::Text& status) {
    Progress::setStatus(status);
    m_status.setText(fromGbk(status));
    // A new status starts or ends an operation: the bar shows where it stands now.
    mirrorBar();
}

void WindowProgress::yield() {
    if (!due(m_yieldCalls) || m_sinceYield.elapsed() < kRefreshIntervalMs) return;
    mirrorBar();
    // New rows show as they come; cells changed in place are repainted once the command ends.
    for (auto* model : m_models) model->syncRows();
    QCoreApplication::processEvents();
    m_sinceYield.restart();
}

void WindowProgress::showNow() { mirrorBar(); }

void WindowProgress::syncGrids() {
    for (auto* model : m_models) model->sync();
}

void WindowProgress::mirrorBar() {
    // The core keeps values as set; the bar ignores a value outside its range, so it gets the nearer end.
    const int low = minimum();
    const int high = std::max(minimum(), maximum());
    m_bar.setRange(low, high);
    m_bar.setValue(std::clamp(position(), low, high));
    m_sinceMirror.start();
}

}  // namespace velmora::app
