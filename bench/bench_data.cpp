// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "bench/bench_packages.h"
#include "fileio/files.h"
#include "settings/import_settings.h"
#include "text/encoding.h"
#include "xls/biff_output.h"
#include "xls/workbook_writer.h"

namespace velmora::bench {
namespace {

using text::Text;

constexpr int kFigures = 8;

struct Person {
    Text code;
    Text name;
};

// Splits a GBK text of two-byte characters into its characters.
std::vector<Text> charactersOf(const char* utf8) {
    const Text gbk = text::gbkFromUtf8(utf8);
    std::vector<Text> characters;
    for (std::size_t i = 0; i + 1 < gbk.size(); i += 2) characters.push_back(gbk.substr(i, 2));
    return characters;
}

std::vector<Person> makePeople(int count, std::mt19937_64& rng) {
    const std::vector<Text> surnames = charactersOf("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
    const std::vector<Text> given = charactersOf("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华");
    const auto pick = [&rng](const std::vector<Text>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    std::vector<Person> people;
    people.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%010d", 1000000 + i * 13);
        people.push_back({code, pick(surnames) + pick(given) + pick(given)});
    }
    return people;
}

// Rows held in memory, where the columns from `firstNumber` on are numbers.
class BenchRows : public xls::RowSource {
public:
    std::vector<std::vector<Text>> texts;
    std::vector<std::vector<double>> numbers;  // per row, the figures from `firstNumber` on
    std::size_t firstNumber = 0;

    bool nextRow(std::vector<Text>& cells) override {
        if (m_next >= texts.size()) return false;
        cells = texts[m_next++];
        cells.resize(std::max(cells.size(), firstNumber + numbers[m_next - 1].size()));
        return true;
    }
    std::optional<double> numberAt(std::size_t column) const override {
        const auto& row = numbers[m_next - 1];
        if (column < firstNumber || column - firstNumber >= row.size()) return std::nullopt;
        return row[column - firstNumber];
    }

private:
    std::size_t m_next = 0;
};

// The rows again, with the header row first, for the zip-based formats; written beside `xlsPath`.
bool writePackages(const std::string& xlsPath, const std::vector<Text>& header, const BenchRows& data) {
    std::vector<BenchRow> rows;
    rows.reserve(data.texts.size() + 1);
    rows.push_back({header, {}});
    for (std::size_t r = 0; r < data.texts.size(); ++r) rows.push_back({data.texts[r], data.numbers[r]});
    const std::string stem = xlsPath.substr(0, xlsPath.size() - 4);
    return writeXlsx(stem + ".xlsx", rows) && writeOds(stem + ".ods", rows);
}

std::vector<Text> headers(const char* figureTitle) {
    std::vector<Text> titles = {text::gbkFromUtf8("卡号"), text::gbkFromUtf8("姓名")};
    for (int i = 1; i <= kFigures; ++i) titles.push_back(text::gbkFromUtf8(figureTitle) + std::to_string(i));
    return titles;
}

bool writeRegister(const std::string& path, const std::vector<Person>& people, int rows) {
    BenchRows data;
    data.texts.push_back({text::gbkFromUtf8("测试单位·2026年12月")});
    data.texts.push_back(headers("项目"));
    for (int r = 0; r < rows - 3; ++r) {
        const Person& person = people[static_cast<std::size_t>(r)];
        data.texts.push_back({person.code, person.name});
    }
    data.numbers.resize(data.texts.size());
    const std::vector<Text> title = {text::gbkFromUtf8("一卡通清册")};
    return xls::writeWorkbook(path, title, data) == xls::WriteError::None && writePackages(path, title, data);
}

bool writePaymentList(const std::string& path, std::vector<Person> people, int rows, std::mt19937_64& rng) {
    std::shuffle(people.begin(), people.end(), rng);
    std::uniform_real_distribution<double> amount(0.0, 5000.0);
    BenchRows data;
    data.firstNumber = 2;
    for (int r = 0; r < rows - 1; ++r) {
        Person person = people[static_cast<std::size_t>(r)];
        if (r % 97 == 0) person.name += text::gbkFromUtf8("某");
        if (r % 101 == 0) person.code[0] = '9';
        data.texts.push_back({person.code, person.name});
        std::vector<double> figures;
        for (int f = 0; f < kFigures; ++f) figures.push_back(std::round(amount(rng) * 100.0) / 100.0);
        data.numbers.push_back(std::move(figures));
    }
    return xls::writeWorkbook(path, headers("金额"), data) == xls::WriteError::None &&
           writePackages(path, headers("金额"), data);
}

bool writeSettings(const std::string& path, const Text& registerColumns, const Text& fillCount,
                   const Text& sourceColumns) {
    using settings::SettingId;
    settings::ImportSettings values;
    at(values, SettingId::RegisterSheet) = "Sheet1";
    at(values, SettingId::RegisterColumns) = registerColumns;
    at(values, SettingId::RegisterStartRow) = "4";
    at(values, SettingId::FillCount) = fillCount;
    at(values, SettingId::SourceSheet) = "Sheet1";
    at(values, SettingId::SourceColumns) = sourceColumns;
    at(values, SettingId::SourceStartRow) = "2";
    return settings::saveSettings(text::FilePath(path), values).ok();
}

// An RK value of a whole number of hundredths (the lowest two bits say "integer" and "divided by 100").
std::uint32_t rkHundredths(std::int32_t hundredths) {
    return (static_cast<std::uint32_t>(hundredths) << 2) | 0x3;
}

std::string maximumWorkbookStream() {
    using namespace xls;
    constexpr int kRows = 65536, kColumns = 256;
    constexpr std::uint16_t kGeneralXf = 15;
    RecordStream out;
    const auto bof = [](std::uint16_t kind) {
        return Bytes().u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(6);
    };
    out.record(record::kBof, bof(0x0005));
    out.record(record::kCodePage, Bytes().u16(1200));
    const std::size_t sheetPosition = out.size() + 4;
    out.record(record::kBoundSheet, Bytes().u32(0).u8(0).u8(0).u8(6).u8(0).raw("Sheet1"));
    out.record(record::kEof, Bytes());
    out.patch32(sheetPosition, static_cast<std::uint32_t>(out.size()));
    out.record(record::kBof, bof(0x0010));
    out.record(record::kDimensions, Bytes().u32(0).u32(kRows).u16(0).u16(kColumns).u16(0));
    std::mt19937 rng(65536);
    std::uniform_int_distribution<std::int32_t> amount(0, 500000);
    for (int row = 0; row < kRows; ++row) {
        Bytes cells;
        cells.u16(static_cast<std::uint16_t>(row)).u16(0);
        cells.u16(kGeneralXf).u32(rkHundredths((1000000 + row * 13) * 100));
        for (int column = 1; column < kColumns; ++column)
            cells.u16(kGeneralXf).u32(rkHundredths(amount(rng)));
        cells.u16(kColumns - 1);
        out.record(0x00BD, cells);  // MULRK
    }
    out.record(record::kEof, Bytes());
    return std::move(out.str());
}

}  // namespace

bool writeMaximumWorkbook(const std::string& path) {
    return xls::writeWorkbookStream(path, maximumWorkbookStream()) == xls::WriteError::None;
}

bool writeBenchFiles(const std::string& folder, int rows) {
    std::mt19937_64 rng(static_cast<std::uint64_t>(rows));
    const std::vector<Person> people = makePeople(rows, rng);
    return writeRegister(fileio::joinPath(folder, "table1.xls"), people, rows) &&
           writePaymentList(fileio::joinPath(folder, "table2.xls"), people, rows, rng) &&
           writeSettings(fileio::joinPath(folder, settings::kSettingsFileName), "1,2,3,4,5,6,7,8,9,10", "8",
                         "1,2,3,4,5,6,7,8,9,10");
}

bool writeMaximumBenchFiles(const std::string& folder) {
    Text allColumns = "1";
    for (int column = 2; column <= 255; ++column) allColumns += "," + std::to_string(column);
    const std::string table1 = fileio::joinPath(folder, "table1.xls");
    const std::string table2 = fileio::joinPath(folder, "table2.xls");
    std::error_code error;
    return writeMaximumWorkbook(table1) && std::filesystem::copy_file(table1, table2, error) &&
           writeSettings(fileio::joinPath(folder, settings::kSettingsFileName), "1,2", "253", allColumns);
}

}  // namespace velmora::bench
