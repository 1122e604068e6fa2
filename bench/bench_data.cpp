// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/bench_packages.h"
#include "fileio/files.h"
#include "settings/import_settings.h"
#include "text/encoding.h"
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

bool writeSettings(const std::string& path) {
    using settings::SettingId;
    settings::ImportSettings values;
    at(values, SettingId::RegisterSheet) = "Sheet1";
    at(values, SettingId::RegisterColumns) = "1,2,3,4,5,6,7,8,9,10";
    at(values, SettingId::RegisterStartRow) = "4";
    at(values, SettingId::FillCount) = "8";
    at(values, SettingId::SourceSheet) = "Sheet1";
    at(values, SettingId::SourceColumns) = "1,2,3,4,5,6,7,8,9,10";
    at(values, SettingId::SourceStartRow) = "2";
    return settings::saveSettings(path, values).ok();
}

}  // namespace

bool writeBenchFiles(const std::string& folder, int rows) {
    std::mt19937_64 rng(static_cast<std::uint64_t>(rows));
    const std::vector<Person> people = makePeople(rows, rng);
    return writeRegister(fileio::joinPath(folder, "table1.xls"), people, rows) &&
           writePaymentList(fileio::joinPath(folder, "table2.xls"), people, rows, rng) &&
           writeSettings(fileio::joinPath(folder, settings::kSettingsFileName));
}

}  // namespace velmora::bench
