// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/worksheet_reader.h"

#include <utility>

namespace velmora::import {

std::vector<Text> listSheetNames(const std::vector<sheet::SheetEntry>& sheets) {
    std::vector<Text> names;
    for (const sheet::SheetEntry& entry : sheets) {
        if (entry.kind != sheet::SheetKind::Worksheet) continue;
        // Quotes and dollars are removed wherever they stand, so a name may lose inner characters too.
        names.push_back(text::replaceAll(text::replaceAll(entry.name, "'"), "$"));
    }
    return names;
}

void WorksheetReader::openSheet(sheet::Sheet sheet, bool uses1904DateSystem) {
    m_sheet = std::move(sheet);
    m_uses1904 = uses1904DateSystem;
    m_available.clear();
    // Typing looks at the same leading rows for every read, so decide each column once.
    m_columnKinds.clear();
    m_columnKinds.reserve(static_cast<std::size_t>(m_sheet.columnCount()));
    for (int column = 0; column < m_sheet.columnCount(); ++column) {
        m_columnKinds.push_back(columnKind(m_sheet, column));
    }
}

int WorksheetReader::recordCount() const { return m_sheet.rowCount(); }

int WorksheetReader::fieldCount() const { return m_sheet.columnCount(); }

Text WorksheetReader::field(int record, int field) const {
    if (record < 1 || record > recordCount() || field < 0 || field >= fieldCount()) return {};
    return cellText(m_sheet.view(record - 1, field), m_columnKinds[static_cast<std::size_t>(field)],
                    m_uses1904);
}

failure::Place WorksheetReader::beyondIn(const std::vector<int>& columns) const {
    failure::Place fault;
    for (const int column : columns) {
        const std::int64_t row = column >= 1 ? m_sheet.firstRowBeyond(column - 1) : -1;
        if (row < 0 || (fault.what != failure::Place::What::Unknown && row + 1 >= fault.row)) continue;
        fault.what = column > sheet::kMaxColumns ? failure::Place::What::ColumnsBeyond
                                                 : failure::Place::What::RowsBeyond;
        fault.sheet = m_sheetNumber;
        fault.row = row + 1;
        fault.column = column;
    }
    return fault;
}

std::vector<Text> WorksheetReader::firstRecord() const {
    std::vector<Text> texts;
    texts.reserve(static_cast<std::size_t>(fieldCount()));
    for (int index = 0; index < fieldCount(); ++index) texts.push_back(field(1, index));
    return texts;
}

}  // namespace velmora::import
