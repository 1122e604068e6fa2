// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the tables of content.xml. Rows and cells may stand for many (number-rows-repeated,
// number-columns-repeated): empty ones only move the position, so the million empty rows some writers
// end a table with cost nothing; repeated values are stored once per cell, within the sheet's budget.
#include "opendocument/content_reader.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <string>

#include "package/cell_values.h"
#include "package/xml_halves.h"
#include "package/xml_parser.h"
#include "text/encoding.h"

namespace velmora::opendocument {
namespace {

using What = failure::Place::What;
using sheet::CellKind;

constexpr std::string_view kTableNs = ":table:1.0";
constexpr std::string_view kTextNs = ":text:1.0";
constexpr std::string_view kOfficeNs = ":office:1.0";
constexpr std::string_view kStyleNs = ":style:1.0";
constexpr std::string_view kCalcExtNs = ":calcext:1.0";
constexpr std::string_view kNumberNs = ":datastyle:1.0";
// The most cells or rows one element may stand for, and the furthest position counted: more than any
// sheet holds, and far from overflowing.
constexpr std::int64_t kMaxRepeat = std::int64_t{1} << 40;
constexpr std::int64_t kMaxPosition = std::int64_t{1} << 50;
constexpr std::int64_t kSheetRows = sheet::kMaxRows;

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A cell's value and the columns it covers. Its text is kept in the row's own buffer (from `textAt`),
// since the row may be stored many times.
struct PendingCell {
    std::int64_t column;
    std::int64_t count;
    CellKind kind;
    double number;
    std::size_t textAt;
    std::size_t textLength;
    std::uint8_t errorCode;
};

class ContentHandler : public package::XmlHandler {
public:
    ContentHandler(std::size_t contentSize, std::vector<sheet::SheetEntry>& entries,
                   std::vector<sheet::Sheet>& sheets)
        : m_budget(package::SheetBudget::forSource(contentSize)), m_entries(entries), m_sheets(sheets) {}

    failure::Reason error = failure::Reason::None;
    failure::Place fault;  // where the handler refused the content: what, table and row where known

    // The one-based table and row being read, for a fault the parser finds; 0 outside the tables.
    int tableBeingRead() const { return m_sink ? static_cast<int>(m_entries.size()) : 0; }
    std::int64_t rowBeingRead() const { return m_sink ? m_row + 1 : 0; }

    // A second half begins inside the first table, at its row 0: this handler may hand over between two
    // rows of that table, when no style it knows came after the table began. Then its rows so far and
    // the position of the next one are all that differ.
    bool readyToSplit() const override {
        return m_sink && m_entries.size() == 1 && !m_inCell && m_skipDepth == 0 &&
               m_styleChanges == m_styleChangesBeforeTable;
    }
    const package::SheetBudget& budgetLeft() const { return m_budget; }
    std::int64_t nextRow() const { return m_row; }
    // The table still being read, once the first half has handed over.
    sheet::Sheet takeOpenTable() { return m_sink ? m_sink->take() : sheet::Sheet(); }

    void startElement(std::string_view localName, std::string_view uri,
                      const package::XmlAttributes& attributes) override {
        if (m_skipDepth > 0) {
            ++m_skipDepth;
            return;
        }
        if (m_inCell) return startInCell(localName, uri, attributes);
        if (!endsWith(uri, kTableNs)) return startStyleElement(localName, uri, attributes);
        if (localName == "table") {
            startTable(attributes);
        } else if (!m_sink) {
            return;
        } else if (localName == "table-row") {
            m_rowRepeat = repeatOf(attributes.value("number-rows-repeated", kTableNs));
            m_column = 0;
            m_rowCells.clear();
            m_rowTexts.clear();
        } else if (localName == "table-cell" || localName == "covered-table-cell") {
            startCell(attributes);
        }
    }

    void endElement(std::string_view localName, std::string_view uri) override {
        if (m_skipDepth > 0) {
            --m_skipDepth;
            return;
        }
        if (m_inCell) {
            if ((localName == "table-cell" || localName == "covered-table-cell") && endsWith(uri, kTableNs)) {
                endCell();
            } else if (localName == "p" && endsWith(uri, kTextNs)) {
                m_inParagraph = false;
            }
            return;
        }
        if (!m_sink || !endsWith(uri, kTableNs)) return;
        if (localName == "table-row") {
            endRow();
        } else if (localName == "table") {
            m_sheets.push_back(m_sink->take());
            m_sink.reset();
        }
    }

    void characters(std::string_view text) override {
        if (m_skipDepth == 0 && m_inParagraph) append(text);
    }

private:
    void refuse(What what, failure::Reason why = failure::Reason::WorkbookDamaged) {
        refuseAt(what, rowBeingRead(), why);
    }
    void refuseAt(What what, std::int64_t row, failure::Reason why) {
        error = why;
        fault.what = what;
        fault.sheet = tableBeingRead();
        fault.row = row;
        fail();
    }

    // Styles tell hidden tables, and numbers shown as dates or truth values, as number formats do in
    // the other formats.
    void startStyleElement(std::string_view localName, std::string_view uri,
                           const package::XmlAttributes& attributes) {
        if (localName == "style" && endsWith(uri, kStyleNs)) {
            ++m_styleChanges;
            m_styleName = attributes.value("name", kStyleNs).value_or("");
            CellStyle& style = m_cellStyles[m_styleName];
            style.dataStyle = attributes.value("data-style-name", kStyleNs).value_or("");
            style.parent = attributes.value("parent-style-name", kStyleNs).value_or("");
        } else if (localName == "table-properties" && endsWith(uri, kStyleNs) &&
                   attributes.value("display", kTableNs).value_or("true") == "false") {
            ++m_styleChanges;
            m_hiddenStyles.insert(m_styleName);
        } else if (endsWith(uri, kNumberNs) &&
                   (localName == "date-style" || localName == "time-style" || localName == "boolean-style")) {
            ++m_styleChanges;
            m_dataStyleKinds[std::string(attributes.value("name", kStyleNs).value_or(""))] =
                localName == "boolean-style" ? CellKind::Boolean : CellKind::DateTime;
        }
    }

    // What a number of cell style `name` shows as: DateTime, Boolean, or Number.
    CellKind numberKindOf(std::string_view name) const {
        // Parents are followed a few levels only: a loop in a damaged file must end.
        for (int level = 0; level < 8 && !name.empty(); ++level) {
            const auto style = m_cellStyles.find(name);
            if (style == m_cellStyles.end()) break;
            if (!style->second.dataStyle.empty()) {
                const auto kind = m_dataStyleKinds.find(style->second.dataStyle);
                return kind == m_dataStyleKinds.end() ? CellKind::Number : kind->second;
            }
            name = style->second.parent;
        }
        return CellKind::Number;
    }

    std::int64_t repeatOf(std::optional<std::string_view> text) {
        if (!text) return 1;
        std::int64_t count = 0;
        const auto [end, status] = std::from_chars(text->data(), text->data() + text->size(), count);
        if (status != std::errc() || end != text->data() + text->size() || count < 1) {
            refuse(What::RepeatCount);
            return 1;
        }
        return std::min(count, kMaxRepeat);
    }

    void startTable(const package::XmlAttributes& attributes) {
        // A table inside a cell is no sheet of its own; its cells are left out with the rest of the cell.
        sheet::SheetEntry entry;
        entry.name = text::gbkFromUtf8(attributes.value("name", kTableNs).value_or(""));
        const auto style = attributes.value("style-name", kTableNs);
        entry.hidden = style && m_hiddenStyles.count(std::string(*style)) > 0;
        m_entries.push_back(std::move(entry));
        m_sink.emplace(m_budget);
        m_row = 0;
        m_styleChangesBeforeTable = m_styleChanges;
    }

    void startCell(const package::XmlAttributes& attributes) {
        m_inCell = true;
        m_inParagraph = false;
        m_paragraphs = 0;
        m_text.clear();
        m_cellRepeat = repeatOf(attributes.value("number-columns-repeated", kTableNs));
        const std::string_view valueType = attributes.value("value-type", kOfficeNs).value_or("");
        const std::string_view extendedType = attributes.value("value-type", kCalcExtNs).value_or("");
        m_isError = extendedType == "error";
        const std::string_view formula = attributes.value("formula", kTableNs).value_or("");
        m_hasFormula = !formula.empty();
        const auto stringValue = attributes.value("string-value", kOfficeNs);
        m_hasStringValue = stringValue.has_value();
        if (stringValue) m_stringValue.assign(*stringValue);
        m_kind = CellKind::Empty;
        m_number = 0;
        // The shown text of a number, date or truth value is only read for an error.
        m_wantText = m_isError || m_hasFormula ||
                     !(valueType == "float" || valueType == "percentage" || valueType == "currency" ||
                       valueType == "date" || valueType == "time" || valueType == "boolean");
        if (m_isError) {
            m_kind = CellKind::Error;
        } else if (valueType == "float" || valueType == "percentage" || valueType == "currency") {
            CellKind kind = numberKindOf(attributes.value("style-name", kTableNs).value_or(""));
            // Truth values converted from other formats become these formulas, kept as plain numbers.
            if (formula == "of:=TRUE()" || formula == "of:=FALSE()") kind = CellKind::Boolean;
            setNumber(kind, package::parseNumber(attributes.value("value", kOfficeNs).value_or("")));
            if (m_kind == CellKind::Boolean) m_number = m_number != 0 ? 1.0 : 0.0;
        } else if (valueType == "date") {
            setNumber(CellKind::DateTime, package::serialFromIsoDateTime(
                                              attributes.value("date-value", kOfficeNs).value_or(""), false));
        } else if (valueType == "time") {
            setNumber(CellKind::DateTime,
                      package::daysFromDuration(attributes.value("time-value", kOfficeNs).value_or("")));
        } else if (valueType == "boolean") {
            const std::string_view value = attributes.value("boolean-value", kOfficeNs).value_or("");
            m_kind = CellKind::Boolean;
            m_number = value == "true" || value == "1" ? 1.0 : 0.0;
        } else {
            // Strings, and cells without a type that hold text all the same.
            m_kind = CellKind::Text;
        }
    }

    void setNumber(CellKind kind, std::optional<double> value) {
        if (!value) return refuse(What::CellValue);
        m_kind = kind;
        m_number = *value;
    }

    void startInCell(std::string_view localName, std::string_view uri,
                     const package::XmlAttributes& attributes) {
        if (localName == "annotation" && endsWith(uri, kOfficeNs)) {
            m_skipDepth = 1;  // a comment is not part of the cell's text
        } else if (localName == "table" && endsWith(uri, kTableNs)) {
            m_skipDepth = 1;
        } else if (!endsWith(uri, kTextNs)) {
            return;
        } else if (localName == "p" || localName == "h") {
            // Paragraphs of one cell are lines of one text, as they are in the other formats.
            if (m_paragraphs++ > 0) append("\n");
            m_inParagraph = true;
        } else if (!m_inParagraph) {
            return;
        } else if (localName == "s") {
            std::int64_t count = 1;
            if (const auto c = attributes.value("c", kTextNs)) {
                const auto [end, status] = std::from_chars(c->data(), c->data() + c->size(), count);
                if (status != std::errc() || count < 0) count = 1;
            }
            if (static_cast<std::uint64_t>(count) > package::kMaxCellTextBytes) return refuse(What::CellText);
            appendSpaces(static_cast<std::size_t>(count));
        } else if (localName == "tab") {
            append("\t");
        } else if (localName == "line-break") {
            append("\n");
        }
    }

    void append(std::string_view text) {
        if (!m_wantText) return;
        if (m_text.size() + text.size() > package::kMaxCellTextBytes) return refuse(What::CellText);
        m_text.append(text);
    }
    void appendSpaces(std::size_t count) {
        if (!m_wantText) return;
        if (m_text.size() + count > package::kMaxCellTextBytes) return refuse(What::CellText);
        m_text.append(count, ' ');
    }

    void endCell() {
        m_inCell = false;
        m_inParagraph = false;
        const std::int64_t column = m_column;
        m_column = std::min(m_column + m_cellRepeat, kMaxPosition);
        PendingCell cell{column, m_cellRepeat, m_kind, m_number, m_rowTexts.size(), 0, 0};
        if (m_kind == CellKind::Error) {
            cell.errorCode = package::errorCodeOf(m_text).value_or(kNotAvailable);
        } else if (m_kind == CellKind::Text) {
            if (!m_hasStringValue && m_text.empty()) return;  // an empty cell
            appendGbk(m_hasStringValue ? m_stringValue : m_text);
            cell.textLength = m_rowTexts.size() - cell.textAt;
        }
        // Some writers store a formula's error as a text, or as the number 0 shown as the error.
        if (m_hasFormula && (m_kind == CellKind::Text || (m_kind == CellKind::Number && m_number == 0))) {
            if (const auto code = package::errorCodeOf(m_kind == CellKind::Text ? textOf(cell) : m_text)) {
                cell.kind = CellKind::Error;
                cell.errorCode = *code;
                cell.textLength = 0;
            }
        }
        if (cell.kind != CellKind::Empty) m_rowCells.push_back(cell);
    }

    // The row's texts are GBK; most are ASCII and are copied as they are.
    void appendGbk(std::string_view utf8) {
        if (std::all_of(utf8.begin(), utf8.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            m_rowTexts.append(utf8);
        } else {
            m_rowTexts.append(text::gbkFromUtf8(utf8));
        }
    }
    std::string_view textOf(const PendingCell& cell) const {
        return std::string_view(m_rowTexts).substr(cell.textAt, cell.textLength);
    }

    void endRow() {
        const std::int64_t first = m_row;
        m_row = std::min(m_row + m_rowRepeat, kMaxPosition);
        if (m_rowCells.empty()) return;
        // Past the sheet's last row only the first copy matters: the sink notes it if it holds a value.
        const std::int64_t end = std::min(m_row, std::max(first + 1, kSheetRows));
        for (std::int64_t row = first; row < end; ++row) {
            for (const PendingCell& cell : m_rowCells) {
                if (!m_sink->put(row, cell.column, {cell.kind, cell.number, textOf(cell), cell.errorCode},
                                 cell.count))
                    return refuseAt(m_sink->what(), row + 1, m_sink->error());
            }
        }
        if (m_row > kSheetRows) {
            // The first copy past the last row, so a refusal names the row where the sheet overflows.
            for (const PendingCell& cell : m_rowCells) {
                if (!m_sink->put(std::max(first, kSheetRows), cell.column,
                                 {cell.kind, cell.number, textOf(cell), cell.errorCode}, cell.count))
                    return refuseAt(m_sink->what(), std::max(first, kSheetRows) + 1, m_sink->error());
            }
        }
    }

    // Error values of other programs' making read as #N/A: they hold no value either way.
    static constexpr std::uint8_t kNotAvailable = 0x2A;

    package::SheetBudget m_budget;
    std::vector<sheet::SheetEntry>& m_entries;
    std::vector<sheet::Sheet>& m_sheets;
    std::optional<package::SheetSink> m_sink;
    struct CellStyle {
        std::string dataStyle;
        std::string parent;
    };
    std::map<std::string, CellStyle, std::less<>> m_cellStyles;
    std::map<std::string, CellKind, std::less<>> m_dataStyleKinds;
    std::set<std::string, std::less<>> m_hiddenStyles;
    std::string m_styleName;
    std::uint64_t m_styleChanges = 0;  // styles read so far, and by the time the last table began
    std::uint64_t m_styleChangesBeforeTable = 0;
    int m_skipDepth = 0;

    std::int64_t m_row = 0;
    std::int64_t m_rowRepeat = 1;
    std::int64_t m_column = 0;
    std::vector<PendingCell> m_rowCells;
    std::string m_rowTexts;

    bool m_inCell = false;
    bool m_inParagraph = false;
    int m_paragraphs = 0;
    std::int64_t m_cellRepeat = 1;
    bool m_isError = false;
    bool m_hasFormula = false;
    bool m_hasStringValue = false;
    bool m_wantText = true;
    std::string m_stringValue;
    CellKind m_kind = CellKind::Empty;
    double m_number = 0;
    std::string m_text;
};

// The failure of reading `source` into `handler`, with the fault naming the part, and the table and row
// where the handler knows them; None when it read.
failure::Reason failureOf(package::PartStatus status, const ContentHandler& handler,
                          const package::XmlSource& source, failure::Place& fault) {
    if (handler.error != failure::Reason::None) {
        fault = handler.fault;
        fault.part = source.partName;
        return handler.error;
    }
    if (status == package::PartStatus::Ok) return failure::Reason::None;
    fault = package::faultOf(status, source.partName);
    // The parser stops at the fault, so the table and row it was in are where to look.
    if (status == package::PartStatus::BadXml) {
        fault.sheet = handler.tableBeingRead();
        fault.row = handler.rowBeingRead();
    }
    return package::reasonOf(status);
}

// Reads the common styles of `styles`, if given, into `handler`; a package without them still reads.
failure::Reason readStyles(const std::optional<package::XmlSource>& styles, ContentHandler& handler,
                           failure::Place& fault) {
    if (!styles) return failure::Reason::None;
    const package::PartStatus status = package::parseXml(*styles, handler);
    if (status == package::PartStatus::Missing) return failure::Reason::None;
    return failureOf(status, handler, *styles, fault);
}

// What reading the content left in the lists: a table cut off before its end was never stored.
failure::Reason checkTables(const package::XmlSource& content, const std::vector<sheet::SheetEntry>& entries,
                            const std::vector<sheet::Sheet>& sheets, failure::Place& fault) {
    if (entries.size() == sheets.size()) return failure::Reason::None;
    fault = {};
    fault.sheet = static_cast<int>(entries.size());
    fault.part = content.partName;
    return failure::Reason::WorkbookDamaged;
}

const package::HalvesShape kContentShape{"table", kTableNs, "<table:table", "<table:table-row"};

// Reads the content in two halves at once (see package/xml_halves.h). nullopt when the halves did not
// meet: the content must then be read whole, so that a fault is named where it lies.
std::optional<failure::Reason> readTablesInHalves(const std::optional<package::XmlSource>& styles,
                                                  const package::XmlSource& content, std::size_t size,
                                                  std::vector<sheet::SheetEntry>& entries,
                                                  std::vector<sheet::Sheet>& sheets, failure::Place& fault) {
    std::vector<sheet::SheetEntry> secondEntries;
    std::vector<sheet::Sheet> secondSheets;
    ContentHandler first(size, entries, sheets), second(size, secondEntries, secondSheets);
    if (const failure::Reason error = readStyles(styles, first, fault); error != failure::Reason::None)
        return error;
    failure::Place unused;
    if (readStyles(styles, second, unused) != failure::Reason::None) return std::nullopt;
    const package::HalvesResult halves = package::parseXmlInHalves(content, kContentShape, first, second);
    if (halves.outcome == package::HalvesOutcome::Whole) {
        if (const failure::Reason error = failureOf(halves.first, first, content, fault);
            error != failure::Reason::None)
            return error;
        return checkTables(content, entries, sheets, fault);
    }
    // The second half's first table is the first half's, from the row where the first stopped.
    if (halves.outcome != package::HalvesOutcome::Halves || secondEntries.size() != secondSheets.size() ||
        secondSheets.empty() ||
        !package::SheetBudget::forSource(size).covers(first.budgetLeft(), second.budgetLeft()) ||
        first.nextRow() > sheet::kMaxRows)
        return std::nullopt;
    sheet::Sheet table = first.takeOpenTable();
    if (!table.appendLater(std::move(secondSheets.front()), static_cast<int>(first.nextRow())))
        return std::nullopt;
    sheets.push_back(std::move(table));
    for (std::size_t index = 1; index < secondSheets.size(); ++index) {
        entries.push_back(std::move(secondEntries[index]));
        sheets.push_back(std::move(secondSheets[index]));
    }
    return failure::Reason::None;
}

// Reads the tables of `content` into the lists, after the common styles of `styles` if given.
failure::Reason readTables(const std::optional<package::XmlSource>& styles, const package::XmlSource& content,
                           std::vector<sheet::SheetEntry>& entries, std::vector<sheet::Sheet>& sheets,
                           failure::Place& fault, std::size_t halvesFrom) {
    const auto size = content.size();
    if (!size) {
        // Content held twice is damage; no content at all is no spreadsheet.
        const auto status = content.zip ? content.zip->find(content.partName) : package::PartStatus::Missing;
        if (status == package::PartStatus::Missing) return failure::Reason::NotAWorkbook;
        fault = package::faultOf(status == package::PartStatus::Ok ? package::PartStatus::Damaged : status,
                                 content.partName);
        return failure::Reason::WorkbookDamaged;
    }
    if (*size >= halvesFrom) {
        if (const auto read = readTablesInHalves(styles, content, *size, entries, sheets, fault))
            return *read;
        entries.clear();
        sheets.clear();
        fault = {};
    }
    ContentHandler handler(*size, entries, sheets);
    if (const failure::Reason error = readStyles(styles, handler, fault); error != failure::Reason::None)
        return error;
    const package::PartStatus status = package::parseXml(content, handler);
    if (const failure::Reason error = failureOf(status, handler, content, fault);
        error != failure::Reason::None)
        return error;
    return checkTables(content, entries, sheets, fault);
}

}  // namespace

failure::Failure readContent(const package::ZipPackage& zip, std::vector<sheet::SheetEntry>& entries,
                             std::vector<sheet::Sheet>& sheets) {
    failure::Place where;
    const failure::Reason reason =
        readTables(package::XmlSource::part(zip, "styles.xml"), package::XmlSource::part(zip, "content.xml"),
                   entries, sheets, where, kContentHalvesFrom);
    return reason == failure::Reason::None ? failure::Failure()
                                           : failure::Failure::inWorkbook(reason, std::move(where));
}

failure::Failure readContentXml(std::string_view xml, std::vector<sheet::SheetEntry>& entries,
                                std::vector<sheet::Sheet>& sheets, std::size_t halvesFrom) {
    failure::Place where;
    const failure::Reason reason =
        readTables(std::nullopt, package::XmlSource::memory(xml), entries, sheets, where, halvesFrom);
    return reason == failure::Reason::None ? failure::Failure()
                                           : failure::Failure::inWorkbook(reason, std::move(where));
}

}  // namespace velmora::opendocument
