// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheet/fault.h"

#include <cstdio>
#include <string>

#include "text/encoding.h"

namespace velmora::sheet {

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

}  // namespace velmora::sheet
