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

std::optional<Workbook> Workbook::open(const text::FilePath& path, failure::Failure& failure) {
    std::string bytes;
    failure::Failure why;
    if (!fileio::readInputFile(path.native(), bytes, SIZE_MAX, why)) {
        failure = failure::Failure::cannotOpen(path, why);
        return std::nullopt;
    }
    return openBytes(std::move(bytes), failure);
}

std::optional<Workbook> Workbook::openBytes(std::string bytes, failure::Failure& failure) {
    failure::Reason reason = failure::Reason::None;
    std::optional<std::string> stream = workbookStreamOf(bytes, reason);
    if (!stream) {
        Place where;
        if (reason == failure::Reason::WorkbookDamaged) where.what = Place::What::Container;
        failure = failure::Failure::inWorkbook(reason, where);
        return std::nullopt;
    }
    bytes = std::string();  // the container is no longer needed; keep only the stream
    Workbook workbook;
    WorkbookData& data = *workbook.m_data;
    data.stream = std::move(*stream);
    Place where;
    std::optional<WorkbookGlobals> globals = readWorkbookGlobals(data.bytes(), reason, &where);
    if (!globals) {
        failure = failure::Failure::inWorkbook(reason, where);
        return std::nullopt;
    }
    failure = {};
    data.globals = std::move(*globals);
    data.entries.reserve(data.globals.sheets.size());
    for (const SheetPosition& sheet : data.globals.sheets) data.entries.push_back(sheet.entry);
    return workbook;
}

const std::vector<SheetEntry>& Workbook::sheets() const { return m_data->entries; }

bool Workbook::uses1904DateSystem() const { return m_data->globals.uses1904; }

std::optional<Sheet> Workbook::readSheet(std::size_t index, failure::Failure& failure) const {
    if (index >= m_data->globals.sheets.size()) {
        failure = failure::Failure(failure::Reason::CannotRead);
        return std::nullopt;
    }
    const SheetPosition& sheet = m_data->globals.sheets[index];
    if (sheet.entry.kind != SheetKind::Worksheet) {
        failure = failure::Failure::inWorkbook(failure::Reason::UnsupportedVersion);
        return std::nullopt;
    }
    failure::Reason reason = failure::Reason::None;
    Place where;
    std::optional<Sheet> read = readSheetAt(m_data->bytes(), sheet.offset, m_data->globals, reason, &where);
    where.sheet = static_cast<int>(index) + 1;
    failure = read ? failure::Failure() : failure::Failure::inWorkbook(reason, where);
    return read;
}

}  // namespace velmora::xls
