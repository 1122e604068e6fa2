// SPDX-License-Identifier: GPL-3.0-or-later
// How long operations report to whoever runs them: the window's progress bar and status label, or nothing.
#pragma once

#include "text/rules.h"

namespace velmora::model {

// Holds the state of a progress bar and a status text. The window derives from it to mirror the state
// on screen and to let pending events run in yield(); the batch command uses it as it is.
class Progress {
public:
    virtual ~Progress() = default;

    // Values are kept as set; a bar on screen shows a position outside its range at the nearer end.
    virtual void setMinimum(int minimum) { m_minimum = minimum; }
    virtual void setMaximum(int maximum) { m_maximum = maximum; }
    virtual void setPosition(int position) { m_position = position; }
    virtual void setStatus(const text::Text& status) { m_status = status; }
    // Called often from long loops; an implementation decides how often it really does something.
    virtual void yield() {}
    // Leaves the bar empty and the status blank once an operation is over, whatever range it used.
    void finish() {
        setMinimum(0);
        setPosition(0);
        setStatus({});
    }

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int position() const { return m_position; }
    const text::Text& status() const { return m_status; }

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    text::Text m_status;
};

}  // namespace velmora::model
