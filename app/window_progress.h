// SPDX-License-Identifier: GPL-3.0-or-later
// Long operations report to the window: the progress bar and status label follow, and the window
// keeps repainting while the operation runs.
#pragma once

#include <QElapsedTimer>
#include <vector>

#include "model/progress.h"

class QLabel;
class QProgressBar;

namespace velmora::app {

class GridModel;

class WindowProgress : public model::Progress {
public:
    WindowProgress(QProgressBar& bar, QLabel& status, std::vector<GridModel*> models);

    void setMinimum(int minimum) override;
    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    void setStatus(const text::Text& status) override;
    // Lets pending events run and the grids' rows and the bar catch up, at most about every 50 ms: often
    // enough for a live window, rare enough that a 65,536-row import is not slowed down by it.
    void yield() override;
    // Brings the grids up to date now.
    void syncGrids();
    // Shows the current range and position on the bar now; range and status changes do so themselves,
    // positions only every 50 ms or so.
    void showNow();

private:
    void mirrorBar();

    QProgressBar& m_bar;
    QLabel& m_status;
    std::vector<GridModel*> m_models;
    QElapsedTimer m_sinceYield;
    QElapsedTimer m_sinceMirror;
    unsigned m_positionCalls = 0;
    unsigned m_yieldCalls = 0;
};

}  // namespace velmora::app
