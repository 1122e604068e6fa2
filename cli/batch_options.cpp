// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch_options.h"

#include "cli/console_text.h"

namespace velmora::cli {

std::string batchUsage() {
    return "用法: velmora-batch [--config 配置文件] --table1 表1.xls --table2 表2.xls --out 输出文件夹\n"
           "      velmora-batch --list-sheets 工作簿.xls\n"
           "      velmora-batch --help\n"
           "      velmora-batch --version\n"
           "工作簿可为 .xls、.xlsx、.xlsm、.ods 或 .fods,按文件内容识别。\n";
}

std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& arguments, std::string& error) {
    BatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            return options;
        }
        if (name == "--version") {
            options.version = true;
            return options;
        }
        text::FilePath* target = name == "--config"        ? &options.configPath
                                 : name == "--table1"      ? &options.table1Path
                                 : name == "--table2"      ? &options.table2Path
                                 : name == "--out"         ? &options.outFolder
                                 : name == "--list-sheets" ? &options.listSheetsPath
                                                           : nullptr;
        if (target == nullptr) {
            error = "未知的参数: " + name;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            error = "参数 " + name + " 缺少取值";
            return std::nullopt;
        }
        *target = pathFromArgument(arguments[++i]);
    }
    if (!options.listSheetsPath.empty()) return options;
    if (options.table1Path.empty() || options.table2Path.empty() || options.outFolder.empty()) {
        error = "必须给出 --table1、--table2 和 --out";
        return std::nullopt;
    }
    return options;
}

}  // namespace velmora::cli
