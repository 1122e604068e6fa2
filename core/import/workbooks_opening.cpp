// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/workbooks_opening.h"

#include <atomic>

namespace velmora::import {
namespace {
std::atomic<int> g_opening{0};
}  // namespace

int workbooksOpening() { return g_opening.load(); }

OpeningWorkbook::OpeningWorkbook() { ++g_opening; }
OpeningWorkbook::~OpeningWorkbook() { --g_opening; }

}  // namespace velmora::import
