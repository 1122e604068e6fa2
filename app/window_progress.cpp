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
constexpr qint64 kYieldIntervalMs = 30;
}

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
    mirrorBar();
}

void WindowProgress::setStatus(const text::Text& status) {
    Progress::setStatus(status);
    m_status.setText(fromGbk(status));
}

void WindowProgress::yield() {
    if (m_sinceYield.elapsed() < kYieldIntervalMs) return;
    syncGrids();
    QCoreApplication::processEvents();
    m_sinceYield.restart();
}

void WindowProgress::syncGrids() {
    for (auto* model : m_models) model->sync();
}

void WindowProgress::mirrorBar() {
    // The core keeps values as set; the bar ignores a value outside its range, so it gets the nearer end.
    const int low = minimum();
    const int high = std::max(minimum(), maximum());
    m_bar.setRange(low, high);
    m_bar.setValue(std::clamp(position(), low, high));
}

}  // namespace velmora::app
