// SPDX-License-Identifier: GPL-3.0-or-later
// Files that are no readable workbook, and hand-built streams: broken, odd or merely unusual.
#include <gtest/gtest.h>

#include "biff_test_streams.h"
#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {
using namespace std::string_literals;
using namespace testing;

std::string fixture(const char* name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

TEST(OpenErrors, NamesWhyAFileCannotBeRead) {
    const struct {
        const char* file;
        failure::Reason error;
    } cases[] = {
        {"encrypted.xls", failure::Reason::WorkbookEncrypted},
        {"truncated.xls", failure::Reason::WorkbookDamaged},
        {"not-a-workbook.xls", failure::Reason::NotAWorkbook},
        {"empty.xls", failure::Reason::NotAWorkbook},
        {"no-such-file.xls", failure::Reason::CannotRead},
    };
    for (const auto& c : cases) {
        failure::Failure error;
        EXPECT_FALSE(Workbook::open(text::FilePath(fixture(c.file)), error)) << c.file;
        EXPECT_EQ(error.reason(), c.error) << c.file;
    }
}

struct BytesCase {
    const char* what;
    std::string bytes;
    failure::Reason error;
};

void PrintTo(const BytesCase& c, std::ostream* out) { *out << c.what; }

class OpenBytesErrorTest : public ::testing::TestWithParam<BytesCase> {};

TEST_P(OpenBytesErrorTest, Refuses) {
    failure::Failure error;
    EXPECT_FALSE(Workbook::openBytes(GetParam().bytes, error));
    EXPECT_EQ(error.reason(), GetParam().error);
}

std::string globalsWith(const std::string& records) {
    return record(0x0809, bofData(0x0005)) + records + record(0x000A, "");
}

INSTANTIATE_TEST_SUITE_P(
    Streams, OpenBytesErrorTest,
    ::testing::Values(
        BytesCase{"a bare BIFF2 stream with FILEPASS",
                  record(0x0009, "\x02\x00\x10\x00"s) + record(0x002F, le16(0) + le16(0)),
                  failure::Reason::WorkbookEncrypted},
        BytesCase{"a zip-based workbook", "PK\x03\x04 and more"s, failure::Reason::UnsupportedVersion},
        BytesCase{"a BIFF4 workbook without a sheet",
                  wrapInOle(record(0x0409, "\x00\x00\x00\x01\x00\x00"s) + record(0x000A, "")),
                  failure::Reason::WorkbookDamaged},
        BytesCase{"a container without a workbook stream", wrapInOle({{"Contents", "hello"}}),
                  failure::Reason::NotAWorkbook},
        BytesCase{"a container signature and nothing behind it",
                  "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s + std::string(600, '\xFF'),
                  failure::Reason::WorkbookDamaged},
        BytesCase{"a record longer than the stream",
                  wrapInOle(record(0x0809, bofData(0x0005)) + le16(0x0042) + le16(100) + "\xB0\x04"s),
                  failure::Reason::WorkbookDamaged},
        BytesCase{"a stream that starts with no BOF", wrapInOle(record(0x0042, le16(1200))),
                  failure::Reason::WorkbookDamaged},
        BytesCase{"a worksheet BOF where the globals should be", wrapInOle(record(0x0809, bofData(0x0010))),
                  failure::Reason::UnsupportedVersion},
        BytesCase{"FILEPASS in the globals",
                  wrapInOle(globalsWith(record(0x002F, le16(0) + le32(0x12345678)))),
                  failure::Reason::WorkbookEncrypted},
        BytesCase{"a BOUNDSHEET too short for its header", wrapInOle(globalsWith(record(0x0085, le32(0)))),
                  failure::Reason::WorkbookDamaged}));

// Opens bytes that must open, and reads sheet 0.
std::optional<Sheet> readOnlySheet(const std::string& stream, failure::Failure& error) {
    std::optional<Workbook> workbook = Workbook::openBytes(wrapInOle(stream), error);
    EXPECT_TRUE(workbook) << static_cast<int>(error.reason());
    if (!workbook) return std::nullopt;
    return workbook->readSheet(0, error);
}

std::string sst(const std::vector<std::string>& latin1, std::uint32_t claimedCount) {
    std::string data = le32(claimedCount) + le32(claimedCount);
    for (const std::string& s : latin1) data += le16(static_cast<std::uint16_t>(s.size())) + '\0' + s;
    return record(0x00FC, data);
}

TEST(MalformedSheets, ASharedStringCountBeyondItsDataKeepsTheStringsThereAndRefusesOthers) {
    const std::string globals = sst({"first", "second"}, 0x7FFFFFFF);
    failure::Failure error;
    std::optional<Sheet> sheet =
        readOnlySheet(oneSheetStream(globals, record(0x00FD, cellHead(0, 0) + le32(1))), error);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->cell(0, 0).text, "second");
    sheet = readOnlySheet(oneSheetStream(globals, record(0x00FD, cellHead(0, 0) + le32(2))), error);
    EXPECT_FALSE(sheet);
    EXPECT_EQ(error.reason(), failure::Reason::WorkbookDamaged);
}

TEST(MalformedSheets, RefusesSheetsThatAreCutOffOrShortOfBytes) {
    const struct {
        const char* what;
        std::string sheet;
    } cases[] = {
        {"a NUMBER without its value", record(0x0203, cellHead(0, 0) + "\x01\x02"s)},
        {"a FORMULA without its cached value", record(0x0006, cellHead(0, 0) + le32(0))},
        {"a record running past the stream", le16(0x0203) + le16(200) + cellHead(0, 0)},
    };
    for (const auto& c : cases) {
        failure::Failure error;
        EXPECT_FALSE(readOnlySheet(oneSheetStream("", c.sheet), error)) << c.what;
        EXPECT_EQ(error.reason(), failure::Reason::WorkbookDamaged) << c.what;
    }
}

TEST(MalformedSheets, RefusesASheetWithoutItsEof) {
    std::string stream = oneSheetStream("", record(0x0203, cellHead(0, 0) + leDouble(1)));
    stream.resize(stream.size() - 4);
    failure::Failure error;
    EXPECT_FALSE(readOnlySheet(stream, error));
    EXPECT_EQ(error.reason(), failure::Reason::WorkbookDamaged);
}

TEST(MalformedSheets, RefusesSheetOffsetsThatLeadNowhereSound) {
    // The BOUNDSHEET record sits right after the 20-byte globals BOF.
    const std::uint32_t boundSheetOffset = 20;
    for (const std::uint32_t offset : {0xFFFFFFF0u, 0u, boundSheetOffset, boundSheetOffset + 3}) {
        StreamBuilder stream;
        stream.add(0x0809, bofData(0x0005));
        stream.add(0x0085, boundSheetData(offset, "S"));
        stream.add(0x000A, "");
        failure::Failure error;
        std::optional<Workbook> workbook = Workbook::openBytes(wrapInOle(stream.bytes()), error);
        ASSERT_TRUE(workbook);
        EXPECT_FALSE(workbook->readSheet(0, error)) << offset;
        EXPECT_EQ(error.reason(), failure::Reason::WorkbookDamaged) << offset;
    }
}

TEST(MalformedSheets, AnOffsetBesideNoBofOfItsOwnNeverTakesAnotherSheet) {
    StreamBuilder stream;
    stream.add(0x0809, bofData(0x0005));
    const std::size_t first = stream.add(0x0085, boundSheetData(0, "A"));
    const std::size_t second = stream.add(0x0085, boundSheetData(0, "B"));
    stream.add(0x000A, "");
    const auto sheetB = static_cast<std::uint32_t>(stream.size());
    stream.patch32(first + 4, sheetB + 3);  // nearest to B's BOF, which is B's
    stream.patch32(second + 4, sheetB);
    stream.add(0x0809, bofData(0x0010));
    stream.add(0x0203, cellHead(0, 0) + leDouble(5));
    stream.add(0x000A, "");
    failure::Failure error;
    const std::optional<Workbook> workbook = Workbook::openBytes(wrapInOle(stream.bytes()), error);
    ASSERT_TRUE(workbook);
    EXPECT_FALSE(workbook->readSheet(0, error));
    EXPECT_EQ(error.reason(), failure::Reason::WorkbookDamaged);
    EXPECT_EQ(workbook->readSheet(1, error)->cell(0, 0).number, 5);
}

TEST(MalformedStreams, NoPrefixOrBitFlipOfARealStreamCrashes) {
    const std::string stream = streamOfFile(fixture("formulas.xls"), "Workbook");
    ASSERT_GT(stream.size(), 1000u);
    std::vector<std::string> variants;
    for (std::size_t length = 0; length < stream.size(); length += 97)
        variants.push_back(stream.substr(0, length));
    for (std::size_t at = 0; at < stream.size(); at += 41) {
        std::string flipped = stream;
        flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
        variants.push_back(flipped);
    }
    int readable = 0;
    for (const std::string& variant : variants) {
        failure::Failure error;
        std::optional<Workbook> workbook = Workbook::openBytes(wrapInOle(variant), error);
        if (!workbook) continue;
        for (std::size_t i = 0; i < workbook->sheets().size(); ++i)
            readable += workbook->readSheet(i, error) ? 1 : 0;
    }
    EXPECT_GT(readable, 0);
}

}  // namespace
}  // namespace velmora::xls
