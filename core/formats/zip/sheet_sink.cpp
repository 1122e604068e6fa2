// SPDX-License-Identifier: GPL-3.0-or-later
#include "package/sheet_sink.h"

#include <algorithm>

namespace velmora::package {
namespace {

constexpr std::int64_t kMaxRows = sheet::kMaxRows;
constexpr std::int64_t kMaxColumns = sheet::kMaxColumns;
// A cell of text costs at least a dozen bytes of XML; a text repeated across a sheet may copy up to
// this many bytes for each byte of XML before the sheet is refused, as the .xls reader bounds them.
constexpr std::size_t kTextPerSourceByte = 16;
constexpr std::size_t kTextFloor = std::size_t{1} << 20;
// Repeated cells of one element: room for a full honest sheet of a few million cells, and no more.
constexpr std::size_t kCellFloor = std::size_t{1} << 22;
constexpr std::size_t kSourceBytesPerCell = 4;

}  // namespace

failure::Reason reasonOf(PartStatus status) {
    switch (status) {
        case PartStatus::Ok:
            return failure::Reason::None;
        case PartStatus::Missing:
            return failure::Reason::NotAWorkbook;
        case PartStatus::TooLarge:
            return failure::Reason::WorkbookTooLarge;
        case PartStatus::Damaged:
        case PartStatus::Duplicate:
        case PartStatus::BadXml:
        case PartStatus::Refused:
            break;
    }
    return failure::Reason::WorkbookDamaged;
}

failure::Place faultOf(PartStatus status, std::string_view partName) {
    using What = failure::Place::What;
    failure::Place fault;
    fault.part = partName;
    switch (status) {
        case PartStatus::Ok:
        case PartStatus::Refused:  // the handler says why
            break;
        case PartStatus::Missing:
            fault.what = What::PartMissing;
            break;
        case PartStatus::TooLarge:
            fault.what = What::PartSize;
            break;
        case PartStatus::Damaged:
            fault.what = What::PartInflate;
            break;
        case PartStatus::Duplicate:
            fault.what = What::PartDuplicate;
            break;
        case PartStatus::BadXml:
            fault.what = What::Xml;
            break;
    }
    return fault;
}

SheetBudget SheetBudget::forSource(std::size_t sourceBytes) {
    return {kTextFloor + kTextPerSourceByte * sourceBytes, kCellFloor + sourceBytes / kSourceBytesPerCell};
}

bool SheetBudget::covers(const SheetBudget& firstLeft, const SheetBudget& secondLeft) const {
    return (textBytes - firstLeft.textBytes) + (textBytes - secondLeft.textBytes) <= textBytes &&
           (cells - firstLeft.cells) + (cells - secondLeft.cells) <= cells;
}

bool SheetSink::put(std::int64_t row, std::int64_t column, sheet::CellView cell, std::int64_t count) {
    if (cell.kind == sheet::CellKind::Empty || count <= 0) return true;
    if (row < 0 || column < 0) {
        m_error = failure::Reason::WorkbookDamaged;
        return false;
    }
    // A value beyond the edge is noted for the import, which refuses it only when its columns reach
    // it; errors and empty texts there lose nothing.
    const std::int64_t end = std::min(column + count, kMaxColumns);
    if (cell.holdsValue() && (row >= kMaxRows || column + count > kMaxColumns))
        m_sheet.noteBeyond(row, column, count);
    if (row >= kMaxRows) return true;
    const auto cells = static_cast<std::size_t>(std::max<std::int64_t>(0, end - column));
    if (cells > m_budget.cells || cell.text.size() > m_budget.textBytes) {
        m_error = failure::Reason::WorkbookTooLarge;
        return false;
    }
    m_budget.cells -= cells;
    m_budget.textBytes -= cell.text.size();
    if (cells == 0) return true;
    const int r = static_cast<int>(row);
    m_sheet.setCell(r, static_cast<int>(column), cell);
    // The copies share the text the first one stored.
    const sheet::CellView stored = m_sheet.view(r, static_cast<int>(column));
    for (std::int64_t c = column + 1; c < end; ++c) m_sheet.setCell(r, static_cast<int>(c), stored);
    return true;
}

}  // namespace velmora::package
