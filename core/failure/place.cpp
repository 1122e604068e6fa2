// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure/place.h"

#include <cstdio>
#include <string>

#include "text/encoding.h"

namespace velmora::failure {
namespace {

// A part name comes from the file, so a damaged one may be of any length: the message shows its start.
std::string partName(const std::string& part) {
    constexpr std::size_t kShown = 120;
    if (part.size() <= kShown) return part;
    std::size_t end = kShown;
    while (end > 0 && (static_cast<unsigned char>(part[end]) & 0xC0) == 0x80) --end;  // whole characters
    return part.substr(0, end) + "…";
}

}  // namespace

text::Text Place::describe() const {
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
        case What::Zip:
            problem = "压缩包的目录无法读取";
            break;
        case What::PartMissing:
            problem = "部件不存在";
            break;
        case What::PartDuplicate:
            problem = "部件重复出现";
            break;
        case What::PartInflate:
            problem = "部件无法解压";
            break;
        case What::PartSize:
            problem = "部件解压后超出上限";
            break;
        case What::Xml:
            problem = "XML无法解析";
            break;
        case What::RowNumber:
            problem = "行号无法读取";
            break;
        case What::CellReference:
            problem = "单元格位置无法读取";
            break;
        case What::CellValue:
            problem = "单元格的值与其类型不符";
            break;
        case What::CellText:
            problem = "单元格文字过长";
            break;
        case What::RepeatCount:
            problem = "重复次数无法读取";
            break;
        case What::CellBudget:
            problem = "重复的单元格或文字超出此文件所能容纳的数量";
            break;
    }
    // "第5行的共享文字编号超出范围", but "第65537行超出...上限": the row itself is the fault.
    const bool placeIsFault = what == What::RowsBeyond || what == What::ColumnsBeyond;
    if (!place.empty() && !problem.empty() && !placeIsFault) place += "的";
    std::string sentence = place + problem;
    // The zip entry last, as the record id stands with its record: whoever repairs the file looks there.
    if (!part.empty()) sentence += sentence.empty() ? partName(part) : "（" + partName(part) + "）";
    return text::gbkFromUtf8(sentence);
}

}  // namespace velmora::failure
