// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/workbook_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "support/independent_reader.h"
#include "support/scratch_folder.h"
#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {

namespace fs = std::filesystem;
using text::Text;
using Rows = std::vector<std::vector<Text>>;

Text gbk(const std::string& utf8) { return text::gbkFromUtf8(utf8); }

Text repeat(const std::string& utf8, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += utf8;
    return gbk(out);
}

// Reads the first sheet back with the project's reader; the header row is row 0.
Sheet readBack(const std::string& path, Text& sheetName) {
    failure::Failure error;
    const auto workbook = Workbook::open(text::FilePath(path), error);
    EXPECT_TRUE(workbook.has_value()) << static_cast<int>(error.reason());
    if (!workbook || workbook->sheets().empty()) return {};
    sheetName = workbook->sheets()[0].name;
    auto sheet = workbook->readSheet(0, error);
    EXPECT_TRUE(sheet.has_value());
    return sheet ? *sheet : Sheet{};
}

void expectCellsEqual(const Sheet& sheet, int row, const std::vector<Text>& cells, int columns) {
    for (int c = 0; c < columns; ++c) {
        const Text expected =
            c < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(c)] : Text();
        const Cell& cell = sheet.cell(row, c);
        if (expected.empty()) {
            EXPECT_EQ(cell.kind, CellKind::Empty) << "row " << row << " column " << c;
        } else {
            EXPECT_EQ(cell.kind, CellKind::Text) << "row " << row << " column " << c;
            EXPECT_EQ(cell.text, expected) << "row " << row << " column " << c;
        }
    }
}

TEST(WorkbookWriter, RoundTripsThroughTheReader) {
    struct Case {
        const char* name;
        std::vector<Text> headers;
        Rows rows;
    };
    Rows duplicates;
    for (int i = 0; i < 300; ++i) duplicates.push_back({std::to_string(i % 7), gbk("张三"), "1.50"});
    const Case cases[] = {
        {"headers only", {gbk("编码"), gbk("姓名")}, {}},
        {"empty and repeated headers",
         {gbk("编码"), "", gbk("金额"), gbk("金额"), ""},
         {{"001", gbk("张三"), "", "1,5", gbk("未找到此编码")}, {"002", "", "x"}}},
        {"one column", {"A"}, {{"O'Brien"}, {""}, {"\"quoted\"\r\nline"}}},
        // 10,000 one-byte and 5,000 two-byte units overflow one record and continue in CONTINUE records.
        {"long texts", {"a", "b", "c"}, {{Text(10000, 'a'), repeat("中", 5000), repeat("Ж", 5000)}}},
        {"longest cell",
         {"x"},
         {{Text(kMaxCellUnits, '9')}, {repeat("码", static_cast<int>(kMaxCellUnits))}}},
        {"repeated texts", {"n", "name", "amount"}, duplicates},
    };
    testsupport::ScratchFolder folder("xls-writer");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file("out.xls");
        VectorRowSource source(c.rows);
        ASSERT_EQ(writeWorkbook(path, c.headers, source), WriteError::None);
        Text sheetName;
        const Sheet sheet = readBack(path, sheetName);
        EXPECT_EQ(sheetName, "Sheet1");
        const int columns = static_cast<int>(c.headers.size());
        expectCellsEqual(sheet, 0, c.headers, columns);
        for (std::size_t r = 0; r < c.rows.size(); ++r)
            expectCellsEqual(sheet, static_cast<int>(r) + 1, c.rows[r], columns);
        EXPECT_LE(sheet.rowCount(), static_cast<int>(c.rows.size()) + 1);
        Rows written{c.headers};
        written.insert(written.end(), c.rows.begin(), c.rows.end());
        testsupport::expectXlrdReads(path, written);
    }
}

// Rows whose cells are numbers where `numbers` holds a value for the column, texts elsewhere.
class MixedRowSource : public RowSource {
public:
    struct Row {
        std::vector<Text> texts;
        std::vector<std::optional<double>> numbers;
    };
    explicit MixedRowSource(std::vector<Row> rows) : m_rows(std::move(rows)) {}
    bool nextRow(std::vector<Text>& cells) override {
        if (m_next >= m_rows.size()) return false;
        cells = m_rows[m_next++].texts;
        return true;
    }
    std::optional<double> numberAt(std::size_t column) const override {
        const auto& numbers = m_rows[m_next - 1].numbers;
        return column < numbers.size() ? numbers[column] : std::nullopt;
    }

private:
    std::vector<Row> m_rows;
    std::size_t m_next = 0;
};

TEST(WorkbookWriter, RoundTripsNumberCells) {
    const double values[] = {0.0, -0.0, 1250.0, 0.1, -3.75, 1e300, 5e-324, 4999.99, 123456789012345.0};
    std::vector<MixedRowSource::Row> rows;
    for (double value : values) {
        // A number cell's text is ignored, and a text cell beside it stays a text.
        rows.push_back({{"0001", "ignored", ""}, {std::nullopt, value, std::nullopt}});
    }
    rows.push_back({{"", "", gbk("张三")}, {std::nullopt, std::nullopt, std::nullopt}});
    MixedRowSource source(rows);
    testsupport::ScratchFolder folder("xls-writer");
    const std::string path = folder.file("numbers.xls");
    ASSERT_EQ(writeWorkbook(path, {gbk("卡号"), gbk("金额"), gbk("姓名")}, source), WriteError::None);
    Text sheetName;
    const Sheet sheet = readBack(path, sheetName);
    ASSERT_EQ(sheet.rowCount(), static_cast<int>(std::size(values)) + 2);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const int row = static_cast<int>(i) + 1;
        SCOPED_TRACE(row);
        EXPECT_EQ(sheet.cell(row, 0).kind, CellKind::Text);
        EXPECT_EQ(sheet.cell(row, 0).text, "0001");
        ASSERT_EQ(sheet.cell(row, 1).kind, CellKind::Number);
        // Bit for bit, so the sign of -0 and the smallest subnormal survive too.
        const double stored = sheet.cell(row, 1).number;
        EXPECT_EQ(std::memcmp(&stored, &values[i], sizeof(double)), 0);
        EXPECT_EQ(sheet.cell(row, 2).kind, CellKind::Empty);
    }
    EXPECT_EQ(sheet.cell(static_cast<int>(std::size(values)) + 1, 2).text, gbk("张三"));

    std::vector<std::vector<testsupport::WrittenCell>> written{{gbk("卡号"), gbk("金额"), gbk("姓名")}};
    for (double value : values) written.push_back({Text("0001"), value, Text()});
    written.push_back({Text(), Text(), gbk("张三")});
    testsupport::expectXlrdReads(path, written);
}

std::uint32_t u32At(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}
std::uint16_t u16At(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      static_cast<unsigned char>(s[at + 1]) << 8);
}

TEST(WorkbookWriter, KeepsRecordsWithinTheFormatsLimits) {
    Rows rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back({std::to_string(i), repeat("姓名", 20) + std::to_string(i)});
    VectorRowSource source(rows);
    WriteError error = WriteError::None;
    const auto stream = buildWorkbookStream({"code", "name"}, source, "Sheet1", error);
    ASSERT_TRUE(stream.has_value());
    EXPECT_GE(stream->size(), 4096u);

    std::size_t pos = 0, continues = 0, sheetOffset = 0, extSstBuckets = 0, extSstAt = 0;
    while (pos + 4 <= stream->size()) {
        const std::uint16_t id = u16At(*stream, pos), length = u16At(*stream, pos + 2);
        if (id == 0 && length == 0) break;  // the padding after the last EOF
        ASSERT_LE(length, kMaxRecordData) << "record " << id << " at " << pos;
        if (id == 0x003C) ++continues;
        if (id == 0x0085) sheetOffset = u32At(*stream, pos + 4);
        if (id == 0x00FF) {
            extSstBuckets = (length - 2u) / 8u;
            extSstAt = pos + 4;
        }
        pos += 4u + length;
    }
    EXPECT_GT(continues, 0u);
    EXPECT_EQ(extSstBuckets, 126u) << "4,002 strings, 32 to a bucket, so the index stays within 128 buckets";
    // Each bucket points at its first string's character count, inside the SST or CONTINUE record it names.
    // Strings come in first-occurrence order: the two headers, then each row's code and name.
    const auto unitsOf = [](std::size_t string) -> std::size_t {
        if (string < 2) return 4;
        const std::size_t digits = std::to_string((string - 2) / 2).size();
        return string % 2 == 0 ? digits : 40 + digits;
    };
    const std::size_t perBucket = u16At(*stream, extSstAt);
    for (std::size_t bucket = 0; bucket < extSstBuckets; ++bucket) {
        const std::size_t at = u32At(*stream, extSstAt + 2 + 8 * bucket);
        const std::size_t fromRecord = u16At(*stream, extSstAt + 6 + 8 * bucket);
        ASSERT_LT(at + 2, stream->size());
        EXPECT_EQ(u16At(*stream, at), unitsOf(bucket * perBucket)) << "bucket " << bucket;
        const std::uint16_t record = u16At(*stream, at - fromRecord);
        EXPECT_TRUE(record == 0x00FC || record == 0x003C) << "bucket " << bucket;
    }
    ASSERT_LT(sheetOffset + 8, stream->size());
    EXPECT_EQ(u16At(*stream, sheetOffset), 0x0809) << "the sheet offset must land on a BOF";
    EXPECT_EQ(u16At(*stream, sheetOffset + 6), 0x0010) << "of a worksheet";
}

// Texts are looked for in the string table only in columns where they repeat; the rest get an entry
// each. The cells read the same either way, so only the table's count of distinct texts tells.
TEST(WorkbookWriter, LooksForRepeatsOnlyInColumnsThatHaveThem) {
    const std::vector<Text> names = {gbk("张三"), gbk("李四"), gbk("王五"), gbk("赵六"), gbk("孙七")};
    Rows rows;
    for (int i = 0; i < 3000; ++i) {
        // Codes are all different for 2,000 rows (long past the sample), then repeat the first 1,000.
        rows.push_back({"C" + std::to_string(i < 2000 ? i : i - 2000), names[static_cast<std::size_t>(i % 5)],
                        i % 3 == 0 ? gbk("未找到此编码") : Text()});
    }
    const std::vector<Text> headers = {gbk("卡号"), gbk("姓名"), ""};
    VectorRowSource source(rows);
    WriteError error = WriteError::None;
    const auto stream = buildWorkbookStream(headers, source, "Sheet1", error);
    ASSERT_TRUE(stream.has_value());
    std::size_t pos = 0;
    while (pos + 4 <= stream->size() && u16At(*stream, pos) != 0x00FC) pos += 4u + u16At(*stream, pos + 2);
    ASSERT_LT(pos + 12, stream->size());
    EXPECT_EQ(u32At(*stream, pos + 4), 2u + 3000 * 2 + 1000) << "cells";
    // Two headers, 3,000 codes (the repeats missed), five names and the marker once.
    EXPECT_EQ(u32At(*stream, pos + 8), 2u + 3000 + 5 + 1) << "distinct texts";

    testsupport::ScratchFolder folder("xls-writer");
    const std::string path = folder.file("repeats.xls");
    VectorRowSource again(rows);
    ASSERT_EQ(writeWorkbook(path, headers, again), WriteError::None);
    Rows written{headers};
    written.insert(written.end(), rows.begin(), rows.end());
    testsupport::expectXlrdReads(path, written);
}

class RowsOf : public RowSource {
public:
    RowsOf(std::size_t count, std::vector<Text> row) : m_count(count), m_row(std::move(row)) {}
    bool nextRow(std::vector<Text>& cells) override {
        if (m_count == 0) return false;
        --m_count;
        cells = m_row;
        return true;
    }

private:
    std::size_t m_count;
    std::vector<Text> m_row;
};

TEST(WorkbookWriter, RefusesWhatTheFormatCannotHoldAndWritesNothing) {
    struct Case {
        const char* name;
        std::vector<Text> headers;
        std::size_t rowCount;
        std::vector<Text> row;
        std::string sheet;
        WriteError expected;
    };
    const std::vector<Text> many(kMaxColumns + 1, "h");
    const Case cases[] = {
        {"65,535 data rows fit", {"a"}, kMaxDataRows, {"1"}, "Sheet1", WriteError::None},
        {"65,536 data rows", {"a"}, kMaxDataRows + 1, {"1"}, "Sheet1", WriteError::TooManyRows},
        {"256 columns fit", std::vector<Text>(kMaxColumns, "h"), 1, {"1"}, "Sheet1", WriteError::None},
        {"257 headers", many, 0, {}, "Sheet1", WriteError::TooManyColumns},
        {"257 cells in a row", {"a"}, 1, many, "Sheet1", WriteError::TooManyColumns},
        {"cell one unit too long",
         {"a"},
         1,
         {Text(kMaxCellUnits + 1, 'x')},
         "Sheet1",
         WriteError::CellTooLong},
        {"Chinese cell one unit too long",
         {"a"},
         1,
         {repeat("中", kMaxCellUnits + 1)},
         "Sheet1",
         WriteError::CellTooLong},
        {"header too long", {Text(kMaxCellUnits + 1, 'x')}, 0, {}, "Sheet1", WriteError::CellTooLong},
        {"empty sheet name", {"a"}, 0, {}, "", WriteError::InvalidSheetName},
        {"sheet name with brackets", {"a"}, 0, {}, "[Sheet1]", WriteError::InvalidSheetName},
        {"32-character sheet name", {"a"}, 0, {}, std::string(32, 's'), WriteError::InvalidSheetName},
        {"Chinese sheet name", {"a"}, 0, {}, gbk("工作表"), WriteError::None},
    };
    testsupport::ScratchFolder folder("xls-writer");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file("refused.xls");
        RowsOf rows(c.rowCount, c.row);
        EXPECT_EQ(writeWorkbook(path, c.headers, rows, c.sheet), c.expected);
        EXPECT_EQ(fs::exists(path), c.expected == WriteError::None);
        fs::remove(path);
    }
}

TEST(WorkbookWriter, ReportsAFolderItCannotWriteTo) {
    const Rows noRows;
    VectorRowSource none(noRows);
    EXPECT_EQ(writeWorkbook("/nonexistent-velmora-folder/out.xls", {"a"}, none), WriteError::CannotWrite);
}

}  // namespace
}  // namespace velmora::xls
