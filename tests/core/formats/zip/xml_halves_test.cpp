// SPDX-License-Identifier: GPL-3.0-or-later
// A part read in two halves must give what one reading gives, or be read whole: the halves count only
// where the first ended exactly where the second began.
#include "package/xml_halves.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ooxml/workbook_parts.h"
#include "opendocument/content_reader.h"

namespace velmora::package {
namespace {

// Records every event; a handler made for a second half records only what follows the head.
class Recorder : public XmlHandler {
public:
    explicit Recorder(bool afterHead = false) : m_recording(!afterHead) {}
    std::vector<std::string> events;

    void startElement(std::string_view localName, std::string_view,
                      const XmlAttributes& attributes) override {
        m_open.emplace_back(localName);
        if (!m_recording) {
            m_recording = localName == "sheetData";
            return;
        }
        events.push_back("<" + std::string(localName) +
                         " r=" + std::string(attributes.value("r").value_or("")));
    }
    void endElement(std::string_view localName, std::string_view) override {
        m_open.pop_back();
        if (m_recording) events.push_back("</" + std::string(localName));
    }
    void characters(std::string_view text) override {
        if (!m_recording) return;
        // Text may come in pieces wherever the chunks end.
        if (!events.empty() && events.back().starts_with("\"")) {
            events.back() += text;
        } else {
            events.push_back("\"" + std::string(text));
        }
    }
    bool readyToSplit() const override { return !m_open.empty() && m_open.back() == "sheetData"; }

private:
    bool m_recording;
    std::vector<std::string> m_open;
};

const HalvesShape kShape{"sheetData", "", "<sheetData", "<row"};

std::string rows(int first, int count, int factor = 7) {
    std::string xml;
    for (int r = first; r < first + count; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
               std::to_string(r * factor) + "</v></c></row>\n";
    return xml;
}

std::string sheet(const std::string& data, const std::string& declaration =
                                               R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)") {
    return declaration + R"(<worksheet xmlns="urn:s"><sheetData>)" + data + "</sheetData></worksheet>";
}

TEST(XmlHalves, HalvesCountOnlyWhereTheFirstEndedWhereTheSecondBegan) {
    const std::string filler(4000, 'x');
    const struct {
        const char* what;
        std::string xml;
        HalvesOutcome outcome;
    } cases[] = {
        {"rows on both sides", sheet(rows(1, 400)), HalvesOutcome::Halves},
        {"a comment holding rows across the middle",
         sheet(rows(1, 100) + "<!-- " + rows(101, 200) + " -->" + rows(301, 10)), HalvesOutcome::Abandoned},
        {"a CDATA section holding rows across the middle",
         sheet(rows(1, 100) + "<row r=\"101\"><c><v><![CDATA[" + rows(102, 200) + "]]></v></c></row>"),
         HalvesOutcome::Whole},
        {"a CDATA section holding rows across the middle between rows",
         sheet(rows(1, 100) + "<![CDATA[" + rows(101, 200) + "]]>" + rows(301, 10)),
         HalvesOutcome::Abandoned},
        {"rows one level deeper", sheet("<group>" + rows(1, 400) + "</group>"), HalvesOutcome::Whole},
        {"rows after the element that holds them ends",
         R"(<worksheet><sheetData>)" + rows(1, 10) + "</sheetData><extra>" + rows(11, 400) +
             "</extra></worksheet>",
         HalvesOutcome::Whole},
        {"bytes converted from another encoding",
         sheet(rows(1, 400), R"(<?xml version="1.0" encoding="ISO-8859-1"?>)"), HalvesOutcome::Whole},
        {"no row after the middle", sheet(rows(1, 10) + "<pad>" + filler + filler + "</pad>"),
         HalvesOutcome::Whole},
        {"damage in the second half", sheet(rows(1, 300) + "<row r=\"9\"><c></row>" + rows(301, 10)),
         HalvesOutcome::Abandoned},
        {"damage in the first half", sheet("<row r=\"0\"><c></row>" + rows(1, 400)), HalvesOutcome::Whole},
        {"a head with no element for rows", "<worksheet>" + rows(1, 400) + "</worksheet>",
         HalvesOutcome::Whole},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        Recorder whole;
        const PartStatus wholeStatus = parseXml(test.xml, whole);
        Recorder first, second(true);
        const HalvesResult result = parseXmlInHalves(XmlSource::memory(test.xml), kShape, first, second);
        EXPECT_EQ(result.outcome, test.outcome);
        if (result.outcome == HalvesOutcome::Whole) {
            EXPECT_EQ(result.first, wholeStatus);
            EXPECT_EQ(first.events, whole.events);
        } else if (result.outcome == HalvesOutcome::Halves) {
            std::vector<std::string> joined = first.events;
            joined.insert(joined.end(), second.events.begin(), second.events.end());
            EXPECT_EQ(joined, whole.events);
            EXPECT_LT(first.events.size(), whole.events.size());
        }
    }
}

void expectSameSheet(const sheet::Sheet& halves, const sheet::Sheet& whole) {
    ASSERT_EQ(halves.rowCount(), whole.rowCount());
    ASSERT_EQ(halves.columnCount(), whole.columnCount());
    EXPECT_EQ(halves.firstRowBeyond(0), whole.firstRowBeyond(0));
    EXPECT_EQ(halves.firstRowBeyond(256), whole.firstRowBeyond(256));
    for (int row = 0; row < whole.rowCount(); ++row) {
        for (int column = 0; column < whole.columnCount(); ++column) {
            const sheet::CellView a = halves.view(row, column), b = whole.view(row, column);
            EXPECT_TRUE(a.kind == b.kind && a.number == b.number && a.text == b.text) << row << "," << column;
        }
    }
}

// The worksheet reader's view: the halves' sheets joined, or a fall-back reading, equal one reading.
TEST(XmlHalves, AWorksheetReadInHalvesEqualsOneReadInOne) {
    const auto numbered = [](int first, int count, int factor = 7) { return rows(first, count, factor); };
    const auto unnumbered = [](int count) {
        std::string xml;
        for (int r = 0; r < count; ++r) xml += "<row><c><v>" + std::to_string(r) + "</v></c></row>";
        return xml;
    };
    const auto twoCells = [](int first, int count) {
        std::string xml;
        for (int r = first; r < first + count; ++r)
            xml += "<row r=\"" + std::to_string(r) + "\"><c><v>1</v></c><c><v>2</v></c></row>";
        return xml;
    };
    const struct {
        const char* what;
        std::string xml;
    } cases[] = {
        {"numbered rows", sheet(numbered(1, 400))},
        {"rows without numbers after the middle", sheet(numbered(1, 10) + unnumbered(400))},
        {"later rows overwriting some cells of earlier ones",
         sheet(twoCells(300, 200) + numbered(1, 400, 3))},
        {"a value beyond the last row in the second half", sheet(numbered(1, 300) + numbered(70000, 1))},
        {"a value beyond the last column in the second half",
         sheet(numbered(1, 300) + R"(<row r="301"><c r="IW301"><v>1</v></c></row>)" + numbered(302, 10))},
        {"a bad cell in the second half",
         sheet(numbered(1, 300) + R"(<row r="301"><c r="A301"><v>x</v></c></row>)" + numbered(302, 10))},
    };
    ooxml::WorkbookParts parts;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const XmlSource source = XmlSource::memory(test.xml);
        failure::Failure wholeFailure, halvesFailure;
        const auto whole = ooxml::readSheetXml(parts, source, wholeFailure, SIZE_MAX);
        const auto halves = ooxml::readSheetXml(parts, source, halvesFailure, 0);
        EXPECT_EQ(halvesFailure.describe(), wholeFailure.describe());
        ASSERT_EQ(halves.has_value(), whole.has_value());
        if (whole) expectSameSheet(*halves, *whole);
    }
}

TEST(XmlHalves, ASpreadsheetDocumentReadInHalvesEqualsOneReadInOne) {
    const auto table = [](const std::string& name, const std::string& rowsXml) {
        return "<table:table table:name=\"" + name + "\">" + rowsXml + "</table:table>";
    };
    const auto row = [](int value, int repeat = 1) {
        return "<table:table-row table:number-rows-repeated=\"" + std::to_string(repeat) +
               "\"><table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(value) +
               "\" table:style-name=\"d\"/><table:table-cell office:value-type=\"string\"><text:p>" +
               std::to_string(value) + "</text:p></table:table-cell></table:table-row>\n";
    };
    const auto rowsOf = [&row](int first, int count, int repeat = 1) {
        std::string xml;
        for (int value = first; value < first + count; ++value) xml += row(value, repeat);
        return xml;
    };
    const auto document = [](const std::string& tables) {
        return std::string(
                   R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                   R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                   R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
                   R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
                   R"(xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0">)"
                   R"(<office:body><office:spreadsheet>)") +
               tables + "</office:spreadsheet></office:body></office:document-content>";
    };
    const std::string dateStyle =
        R"(<number:date-style style:name="n"/><style:style style:name="d" style:data-style-name="n"/>)";
    const struct {
        const char* what;
        std::string xml;
    } cases[] = {
        {"rows of one table", document(table("A", rowsOf(1, 300)))},
        {"repeated rows before the split", document(table("A", rowsOf(1, 100, 3) + rowsOf(101, 200)))},
        {"a style met inside the table before the split",
         document(table("A", rowsOf(1, 50) + dateStyle + rowsOf(51, 250)))},
        {"more tables after the split", document(table("A", rowsOf(1, 300)) + table("B", rowsOf(1, 50)))},
        {"a later table holding the middle",
         document(table("A", rowsOf(1, 20)) + table("B", rowsOf(1, 300)))},
        {"rows reaching beyond the last row after the split",
         document(table("A", rowsOf(1, 100, 300) + rowsOf(101, 200, 300)))},
        {"a table cut off in the second half", document(table("A", rowsOf(1, 300))).substr(0, 20000)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::vector<sheet::SheetEntry> wholeEntries, halvesEntries;
        std::vector<sheet::Sheet> wholeSheets, halvesSheets;
        const failure::Failure wholeFailure =
            opendocument::readContentXml(test.xml, wholeEntries, wholeSheets, SIZE_MAX);
        const failure::Failure halvesFailure =
            opendocument::readContentXml(test.xml, halvesEntries, halvesSheets, 0);
        EXPECT_EQ(halvesFailure.describe(), wholeFailure.describe());
        ASSERT_EQ(halvesEntries.size(), wholeEntries.size());
        ASSERT_EQ(halvesSheets.size(), wholeSheets.size());
        for (std::size_t index = 0; index < wholeSheets.size(); ++index) {
            EXPECT_EQ(halvesEntries[index].name, wholeEntries[index].name);
            expectSameSheet(halvesSheets[index], wholeSheets[index]);
        }
    }
}

}  // namespace
}  // namespace velmora::package
