// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a workbook: the file, its container, its globals; sheets are read on demand.
#include "xls/workbook.h"

#include <cstdint>

#include "fileio/input_file.h"
#include "xls/ole_container.h"
#include "xls/sheet_reader.h"
#include "xls/workbook_globals.h"

namespace velmora::xls {

class WorkbookData {
public:
    std::string stream;
    WorkbookGlobals globals;
    std::vector<SheetEntry> entries;

    biff::Bytes bytes() const {
        return biff::Bytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());
    }
};

Workbook::Workbook() : m_data(std::make_unique<WorkbookData>()) {}
Workbook::~Workbook() = default;
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;

std::optional<Workbook> Workbook::open(const std::string& path, OpenError& error, Fault* fault) {
    std::string bytes;
    failure::Failure why;
    if (!fileio::readInputFile(path, bytes, SIZE_MAX, why)) {
        error = OpenError::CannotRead;
        return std::nullopt;
    }
    return openBytes(std::move(bytes), error, fault);
}

std::optional<Workbook> Workbook::openBytes(std::string bytes, OpenError& error, Fault* fault) {
    Fault where;
    std::optional<std::string> stream = workbookStreamOf(bytes, error);
    if (!stream) {
        if (fault && error == OpenError::Damaged) fault->what = Fault::What::Container;
        return std::nullopt;
    }
    bytes = std::string();  // the container is no longer needed; keep only the stream
    Workbook workbook;
    WorkbookData& data = *workbook.m_data;
    data.stream = std::move(*stream);
    std::optional<WorkbookGlobals> globals = readWorkbookGlobals(data.bytes(), error, &where);
    if (!globals) {
        if (fault) *fault = where;
        return std::nullopt;
    }
    data.globals = std::move(*globals);
    data.entries.reserve(data.globals.sheets.size());
    for (const SheetPosition& sheet : data.globals.sheets) data.entries.push_back(sheet.entry);
    return workbook;
}

const std::vector<SheetEntry>& Workbook::sheets() const { return m_data->entries; }

bool Workbook::uses1904DateSystem() const { return m_data->globals.uses1904; }

std::optional<Sheet> Workbook::readSheet(std::size_t index, OpenError& error, Fault* fault) const {
    if (index >= m_data->globals.sheets.size()) {
        error = OpenError::CannotRead;
        return std::nullopt;
    }
    const SheetPosition& sheet = m_data->globals.sheets[index];
    if (sheet.entry.kind != SheetKind::Worksheet) {
        error = OpenError::UnsupportedFormat;
        return std::nullopt;
    }
    Fault where;
    std::optional<Sheet> read = readSheetAt(m_data->bytes(), sheet.offset, m_data->globals, error, &where);
    if (!read && fault) {
        *fault = where;
        fault->sheet = static_cast<int>(index) + 1;
    }
    return read;
}

}  // namespace velmora::xls
