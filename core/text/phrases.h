// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed Chinese phrases the core writes into grids, files and messages, as GBK bytes.
// Sources stay UTF-8; each phrase is converted once, on first use.
#pragma once

#include "text/rules.h"

namespace velmora::phrases {

// clang-format off
#define VELMORA_PHRASES(X)                                                                   \
    X(statusWorking, "正在进行,请稍候……")                                                 \
    X(unitSeparator, "·")                                                                    \
    X(fullWidthComma, "，")                                                                  \
    X(register1Section, "表1导入设置")                                                       \
    X(register1SheetKey, "表1导入工作表名")                                                  \
    X(register1ColumnsKey, "表1导入列")                                                      \
    X(register1StartRowKey, "表1导入行")                                                     \
    X(register1FillCountKey, "表1欲填数的列数")                                              \
    X(source2Section, "表2导入设置")                                                         \
    X(source2SheetKey, "表2导入工作表名")                                                    \
    X(source2ColumnsKey, "表2导入列")                                                        \
    X(source2StartRowKey, "表2导入行")                                                       \
    X(mismatchEntryRegister, "表1姓名为: ")                                                  \
    X(mismatchEntrySource, "表2姓名为: ")                                                    \
    X(notFoundEntry, "未找到的表2姓名为: ")                                                  \
    X(registerMarker, "表2姓名为:")                                                          \
    X(sourceMarker, "表1姓名为:")                                                            \
    X(notFoundMarker, "未找到此编码")                                                        \
    X(summaryStart, "结果提示:未找到的一卡通编码有")                                         \
    X(summaryMiddle, "个, 姓名不符的有")                                                     \
    X(summaryEnd, "个. ")                                                                    \
    X(reportNotFoundHeading, "\r\n未找到的编码有:（未填入清册表，核准后手工录入）\r\n")     \
    X(reportMismatchHeading, "\r\n姓名不符的有:（以下的各户，已填入清册。请核对是否变更户主）\r\n") \
    X(reportSuffix, "_待核对.txt")                                                           \
    X(statusExport1, "正在导出表1,请稍候……")                                               \
    X(statusExport2, "正在导出表2,请稍候……")                                               \
    X(csvName1, "表1导出.CSV")                                                               \
    X(csvName2, "表2导出.CSV")                                                               \
    X(workbookName1, "导出的表1")                                                            \
    X(workbookName2, "导出的表2")                                                            \
    X(exportSucceeded, "导出表成功,请注意核对\r\n")                                          \
    X(exportIncomplete, "导出未全部成功,以下文件未能写入:")                            \
    X(exportFolder, "\r\n文件保存在: ")                                                      \
    X(exportSkipped, "导出已完成,但以下文件未保存:")                                       \
    X(exportSavedFiles, "\r\n已保存: ")                                                      \
    X(exportCancelled, "已取消")                                                             \
    X(exportEmptyTable, "表中没有数据,未导出,原有文件未改动")                              \
    X(exportNothing, "表1和表2都没有数据,请先导入表。没有写入任何文件。")                  \
    X(compareNeedsTables, "请先导入表1和表2,再自动填表/对比。表格未作改动。")              \
    X(compareNeedsTable1, "请先导入表1,再自动填表/对比。表格未作改动。")                   \
    X(compareNeedsTable2, "请先导入表2,再自动填表/对比。表格未作改动。")                   \
    X(importCannotOpen, "无法打开文件: ")                                                     \
    X(importNotWorkbook, "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): ")                               \
    X(importNotAFile, "不是普通文件(是文件夹、管道或设备),无法读取: ")                       \
    X(importOutOfMemory, "内存不足,无法读取: ")                                               \
    X(importDamaged, "工作簿已损坏,无法读取: ")                                               \
    X(importDamagedBefore, "工作簿已损坏(")                                                     \
    X(importDamagedAfter, "),无法读取: ")                                                      \
    X(importEncrypted, "工作簿已加密(设有密码),无法读取: ")                                   \
    X(importTooLarge, "工作簿过大(超出每表65536行、256列,或解压后过大),无法完整读取: ")         \
    X(importTooLargeBefore, "工作簿过大(")                                                      \
    X(importTooLargeAfter, "),无法完整读取: ")                                                 \
    X(importSheetMissingBefore, "工作簿中没有名为“")                                          \
    X(importSheetMissingAfter, "”的工作表: ")                                                 \
    X(importSheetsHeld, "\n该工作簿中的工作表: ")                                             \
    X(importNoSheets, "(无)")                                                                 \
    X(importSheetNameOpen, "“")                                                               \
    X(importSheetNameClose, "”")                                                              \
    X(columnSpecTooLongBefore, "设置“")                                                       \
    X(columnSpecTooLongMiddle, "”中有")                                                       \
    X(columnSpecTooLongAfter, "个列号,超过了工作簿最多的256列,请改正设置后再导入。")   \
    X(importSheetListSeparator, "、")                                                        \
    X(columnsMissingBefore, "注意: 设置“")                                                   \
    X(columnsMissingMiddle, "”中的列 ")                                                      \
    X(columnsMissingAfter, " 在工作表中不存在(工作表共")                                     \
    X(columnsMissingEnd, "列),这些列导入后为空。")                                         \
    X(columnsEmptyBefore, "注意: 设置“")                                                     \
    X(columnsEmptyAfter, "”为空,没有导入任何列。")                                         \
    X(columnEntryEmpty, "(空)")

// clang-format on
#define VELMORA_DECLARE_PHRASE(name, utf8) const text::Text& name();
VELMORA_PHRASES(VELMORA_DECLARE_PHRASE)
#undef VELMORA_DECLARE_PHRASE

}  // namespace velmora::phrases
