// SPDX-License-Identifier: GPL-3.0-or-later
// Marks the window as busy while a command works on the grids, so no second one starts inside it.
#pragma once

namespace velmora::app {

class BusyFlag {
public:
    bool busy() const { return m_busy; }

private:
    friend class BusyScope;
    bool m_busy = false;
};

// Holds the flag for the lifetime of one command.
class BusyScope {
public:
    explicit BusyScope(BusyFlag& flag) : m_flag(flag) { m_flag.m_busy = true; }
    ~BusyScope() { m_flag.m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyFlag& m_flag;
};

}  // namespace velmora::app
