// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a workbook: the file, its container, its globals; sheets are read on demand.
#include "xls/workbook.h"

#include <cstdint>
#include <cstdio>

#include "fileio/input_file.h"
#include "text/encoding.h"
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

text::Text Fault::describe() const {
    std::string place;
    if (sheet > 0) place += "第" + std::to_string(sheet) + "张工作表";
    if (row > 0) place += "第" + std::to_string(row) + "行";
    if (what == What::ColumnsBeyond && column > 0) place += "第" + std::to_string(column) + "列";
    std::string problem;
    switch (what) {
        case What::Unknown:
            break;
        case What::Container:
            problem = "复合文档结构无法读取";
            break;
        case What::StreamStart:
            problem = "工作簿数据流的开头不是起始记录";
            break;
        case What::CutShort:
            problem = "记录在结束记录之前中断";
            break;
        case What::SheetDirectory:
            problem = "工作表目录记录无法读取";
            break;
        case What::SheetStart:
            problem = "开头记录不在目录所指的位置";
            break;
        case What::CellRecord: {
            char id[8];
            std::snprintf(id, sizeof id, "%04X", record);
            problem = std::string("单元格记录(0x") + id + ")不完整";
            break;
        }
        case What::SharedStringIndex:
            problem = "共享文字编号超出范围";
            break;
        case What::RowsBeyond:
            problem = "超出每表65,536行的上限";
            break;
        case What::ColumnsBeyond:
            problem = "超出每表256列的上限";
            break;
        case What::FileSize:
            problem = "文件大于此格式所能容纳的" + std::to_string(limit >> 30) + " GB";
            break;
    }
    // "第5行的共享文字编号超出范围", but "第65537行超出...上限": the row itself is the fault.
    const bool placeIsFault = what == What::RowsBeyond || what == What::ColumnsBeyond;
    if (!place.empty() && !problem.empty() && !placeIsFault) place += "的";
    return text::gbkFromUtf8(place + problem);
}

}  // namespace velmora::xls
