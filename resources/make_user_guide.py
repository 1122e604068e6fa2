#!/usr/bin/env python3
"""Writes the user guide 软件使用说明.doc as RTF, which word processors open as a document.

Headings start with '# '; every other line is a paragraph. Non-ASCII characters become \\uN escapes,
so the file itself is plain ASCII.
"""
from pathlib import Path

GUIDE = """\
# Velmora 使用说明
Velmora 用来把已有表格中的金额等数字，按一卡通编码自动填入导出的一卡通空清册，并列出需要人工核对的编码和姓名。
# 一、准备
表1：从一卡通系统导出的空清册（Excel 97-2003 工作簿，.xls），包含编码、姓名和待填数字的空列。
表2：已有数字的表格，例如金额发放明细表（.xls），包含编码、姓名和要填入表1的数字列。
# 二、导入配置（窗口下方的七项设置）
导入工作表名（表1、表2各一项）：要读取的工作表名称，按输入的原样使用，不要加“$”。
导入的列（表1、表2各一项）：用逗号分隔的列号，从 1 开始数，不用字母。第一项是编码列，第二项是姓名列；表2 在后面继续列出要填入表1的数字列，例如 1,2,5,6。输入的全角逗号在离开输入框时自动改为半角逗号。
起始行（表1、表2各一项）：数据从工作表的第几行开始，标题行写在它上面即可；空白或 0 表示从第一行起全部导入。输入框右侧的上下箭头可在 1 到 100 之间调整。
表1后面空几列：表1 中要填入的数字列有几列（0 到 10）。
“保存配置”把七项设置写入程序目录下的 vozuz.ini；“读入配置”从该文件重新读入，未保存的修改会被放弃。程序启动时自动读入配置；关闭程序不会保存。
工具栏上的“设置”可以隐藏或重新显示这一设置区。
# 三、导入
点“导入表1”，选择空清册工作簿，表1 显示在左侧表格；点“导入表2”，选择已有数字的工作簿，表2 显示在右侧表格。导入时下方进度条显示进度。导入表1 时，工作表第二行的单位信息用作核对报告的文件名。工作簿或工作表打不开时，程序会提示原因。
# 四、自动填表/对比
点“自动填表/对比”：程序按表2 每一行的编码在表1 中查找编码完全相同的行，把数字列填入表1，并比较两边的姓名。编码按原样比较，前面的 0 和多余的空格都算不同。
找不到编码的表2 行，在表2 最后一列标出“未找到此编码”；姓名不符的行照样填数，并在两个表最后一列分别标出对方的姓名。结果提示显示在表格下方。
# 五、导出
点“导出”，先后选择表1 和表2 的 CSV 文件保存位置，程序同时在程序目录下生成工作簿“导出的表1”和“导出的表2”，并写出核对报告，最后显示结果提示。取消第一个保存对话框会放弃整个导出。
# 六、核对报告
核对报告是程序目录下以单位信息命名、以“_待核对.txt”结尾的文本文件，列出未找到的编码（未填入清册，核准后需手工录入）和姓名不符的各户（已填入清册，请核对是否变更户主）。
# 七、表格右键菜单
在任一表格上点右键弹出菜单，作用于该表格中选中的行：
复制本行：把选中行的各单元格（以空格分隔）复制到剪贴板。
删除本行：删除选中的行。
删除以下行：删除选中的行及其下面的所有行，例如表尾的合计行。
"""


def escape(text: str) -> str:
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code < 128:
            out.append(ch)
        else:
            # RTF takes signed 16-bit values; every character here lies in the basic plane.
            out.append("\\u%d?" % (code - 65536 if code > 32767 else code))
    return "".join(out)


def main() -> None:
    lines = [r"{\rtf1\ansi\ansicpg936\deff0",
             r"{\fonttbl{\f0\fnil\fcharset134 SimSun;}}",
             r"\viewkind4\uc1\f0\fs22"]
    for line in GUIDE.splitlines():
        if line.startswith("# "):
            lines.append(r"\pard\sb240\sa120\b\fs28 " + escape(line[2:]) + r"\b0\fs22\par")
        else:
            lines.append(r"\pard\sa80\fi420 " + escape(line) + r"\par")
    lines.append("}")
    target = Path(__file__).with_name("软件使用说明.doc")
    target.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))


if __name__ == "__main__":
    main()
