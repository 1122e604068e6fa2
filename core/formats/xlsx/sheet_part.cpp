// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the cells of one worksheet part.
#include <charconv>

#include "ooxml/string_items.h"
#include "ooxml/workbook_parts.h"
#include "package/cell_values.h"
#include "package/xml_halves.h"
#include "package/xml_parser.h"
#include "text/encoding.h"

namespace velmora::ooxml {
namespace {

using What = failure::Place::What;
using sheet::CellKind;
using sheet::CellView;

// Error values of other programs' making read as #N/A: they hold no value either way.
constexpr std::uint8_t kNotAvailable = 0x2A;

bool parseIndex(std::string_view text, std::int64_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// "BC12" as zero-based column and row; a reference without digits names only the column.
bool parseReference(std::string_view reference, std::int64_t& column, std::optional<std::int64_t>& row) {
    std::size_t letters = 0;
    column = 0;
    // Seven letters reach far beyond any sheet and stay far from overflowing.
    while (letters < reference.size() && letters < 7) {
        char c = reference[letters];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + (c - 'A' + 1);
        ++letters;
    }
    if (letters == 0) return false;
    --column;
    row.reset();
    if (letters == reference.size()) return true;
    std::int64_t number = 0;
    if (!parseIndex(reference.substr(letters), number) || number < 1) return false;
    row = number - 1;
    return true;
}

class SheetHandler : public package::XmlHandler {
public:
    // `afterSplit`: the handler of a part's second half, whose first row must say its number.
    SheetHandler(const WorkbookParts& parts, std::size_t partSize, bool afterSplit = false)
        : m_parts(parts),
          m_budget(package::SheetBudget::forSource(partSize)),
          m_sink(m_budget),
          m_rowNumberNeeded(afterSplit) {}

    failure::Reason error = failure::Reason::None;
    failure::Place fault;  // where the handler refused the part: what, and the row (one-based) where known
    sheet::Sheet take() { return m_sink.take(); }
    // The one-based row being read, for a fault the parser finds; 0 outside the cells.
    std::int64_t rowBeingRead() const { return m_inSheetData && m_row >= 0 ? m_row + 1 : 0; }
    const package::SheetBudget& budgetLeft() const { return m_budget; }

    // Between rows nothing carries over but the last row's number, which the next half's first row
    // must state.
    bool readyToSplit() const override { return m_inSheetData && !m_inCell && !m_inInline && !m_inValue; }

    void startElement(std::string_view localName, std::string_view,
                      const package::XmlAttributes& attributes) override {
        if (m_inInline) return m_inline.startElement(localName);
        if (!m_inSheetData) {
            if (localName == "sheetData") m_inSheetData = true;
            return;
        }
        if (localName == "row") {
            std::int64_t number = 0;
            const auto reference = attributes.value("r");
            if (reference && !parseIndex(*reference, number)) return refuse(What::RowNumber, 0);
            if (m_rowNumberNeeded && !reference) return refuse(What::RowNumber, 0);
            m_rowNumberNeeded = false;
            // Rows without a number follow the one before.
            m_row = reference ? number - 1 : m_row + 1;
            m_nextColumn = 0;
        } else if (localName == "c") {
            startCell(attributes);
        } else if (m_inCell && localName == "v") {
            m_inValue = true;
            m_hasValue = true;
            m_value.clear();
        } else if (m_inCell && localName == "is") {
            m_inInline = true;
            m_hasInline = true;
            m_inline.clear();
        }
    }

    void endElement(std::string_view localName, std::string_view) override {
        if (m_inInline) {
            if (localName == "is") {
                m_inInline = false;
            } else {
                m_inline.endElement(localName);
            }
            return;
        }
        if (localName == "v") {
            m_inValue = false;
        } else if (localName == "c" && m_inCell) {
            m_inCell = false;
            endCell();
        } else if (localName == "sheetData") {
            finish();  // merged ranges, filters and the rest hold no values
        }
    }

    void characters(std::string_view text) override {
        if (m_inInline) {
            if (!m_inline.characters(text)) refuse(What::CellText, m_cellRow + 1);
        } else if (m_inValue) {
            if (m_value.size() + text.size() > kMaxCellTextBytes)
                return refuse(What::CellText, m_cellRow + 1);
            m_value.append(text);
        }
    }

private:
    void refuse(What what, std::int64_t row, failure::Reason why = failure::Reason::WorkbookDamaged) {
        error = why;
        fault.what = what;
        fault.row = row;
        fail();
    }

    void startCell(const package::XmlAttributes& attributes) {
        m_inCell = true;
        m_hasValue = false;
        m_hasInline = false;
        if (m_row < 0) m_row = 0;
        m_cellRow = m_row;
        m_cellColumn = m_nextColumn;
        if (const auto reference = attributes.value("r")) {
            std::optional<std::int64_t> row;
            if (!parseReference(*reference, m_cellColumn, row)) return refuse(What::CellReference, m_row + 1);
            if (row) m_cellRow = *row;
        }
        m_nextColumn = m_cellColumn + 1;
        m_type = attributes.value("t").value_or("n");
        std::int64_t style = 0;
        m_style = 0;
        if (const auto s = attributes.value("s"); s && parseIndex(*s, style) && style >= 0)
            m_style = static_cast<std::size_t>(style);
    }

    void endCell() {
        m_badValue = What::CellValue;
        const std::optional<CellView> cell = cellValue();
        if (!cell) return refuse(m_badValue, m_cellRow + 1);
        if (!m_sink.put(m_cellRow, m_cellColumn, *cell)) refuse(m_sink.what(), m_cellRow + 1, m_sink.error());
    }

    // The cell the element stands for; nullopt for a value that cannot be trusted. A formula without
    // a cached result is an empty cell.
    std::optional<CellView> cellValue() {
        if (m_type == "inlineStr") {
            if (m_hasInline) {
                m_text = m_inline.take();
                return CellView{CellKind::Text, 0, m_text, 0};
            }
            if (!m_hasValue) return CellView{};
            m_text = text::gbkFromUtf8(decodeEscapes(m_value));
            return CellView{CellKind::Text, 0, m_text, 0};
        }
        if (!m_hasValue) return CellView{};
        // An empty cached value (<v/>, as some writers leave a shared-string cell) is an empty cell.
        const bool blank = m_value.find_first_not_of(" \t\r\n") == std::string::npos;
        if (m_type == "s") {
            if (blank) return CellView{};
            std::int64_t index = 0;
            // An index past the table means strings were lost: refuse rather than show blanks.
            if (!parseIndex(m_value, index) || index < 0 ||
                static_cast<std::uint64_t>(index) >= m_parts.sharedStrings.size()) {
                m_badValue = What::SharedStringIndex;
                return std::nullopt;
            }
            return CellView{CellKind::Text, 0, m_parts.sharedStrings[static_cast<std::size_t>(index)], 0};
        }
        if (m_type == "str") {
            m_text = text::gbkFromUtf8(decodeEscapes(m_value));
            return CellView{CellKind::Text, 0, m_text, 0};
        }
        if (m_type == "b") {
            const auto number = package::parseNumber(m_value);
            if (m_value == "true" || m_value == "false")
                return CellView{CellKind::Boolean, m_value == "true" ? 1.0 : 0.0, {}, 0};
            if (!number) return std::nullopt;
            return CellView{CellKind::Boolean, *number != 0 ? 1.0 : 0.0, {}, 0};
        }
        if (m_type == "e")
            return CellView{CellKind::Error, 0, {}, package::errorCodeOf(m_value).value_or(kNotAvailable)};
        if (m_type == "d") {
            if (m_value.empty()) return CellView{};
            // Strict files store elapsed times as durations ("PT1392H0M0.000S"), read as days.
            const std::size_t first = m_value.find_first_not_of(" \t\r\n-");
            const auto serial = first != std::string::npos && m_value[first] == 'P'
                                    ? package::daysFromDuration(m_value)
                                    : package::serialFromIsoDateTime(m_value, m_parts.uses1904);
            if (!serial) return std::nullopt;
            return CellView{CellKind::DateTime, *serial, {}, 0};
        }
        // A number; an empty value element is an empty cell.
        if (blank) return CellView{};
        const auto number = package::parseNumber(m_value);
        if (!number) return std::nullopt;
        const bool isDate = m_style < m_parts.dateStyles.size() && m_parts.dateStyles[m_style];
        return CellView{isDate ? CellKind::DateTime : CellKind::Number, *number, {}, 0};
    }

    const WorkbookParts& m_parts;
    package::SheetBudget m_budget;
    package::SheetSink m_sink;
    bool m_inSheetData = false;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
    bool m_hasValue = false;
    bool m_hasInline = false;
    std::int64_t m_row = -1;
    std::int64_t m_nextColumn = 0;
    std::int64_t m_cellRow = 0;
    std::int64_t m_cellColumn = 0;
    std::string m_type;
    std::size_t m_style = 0;
    What m_badValue = What::CellValue;  // why cellValue gave none
    bool m_rowNumberNeeded;
    std::string m_value;
    text::Text m_text;
    StringItem m_inline;
};

}  // namespace

std::optional<sheet::Sheet> readSheetPart(const WorkbookParts& parts, const std::string& partName,
                                          failure::Failure& failure) {
    return readSheetXml(parts, package::XmlSource::part(*parts.zip, partName), failure);
}

namespace {

const package::HalvesShape kSheetShape{"sheetData", "", "<sheetData", "<row"};

// The sheet `handler` read with `status`, or the failure that names where it could not.
std::optional<sheet::Sheet> sheetOrFailure(SheetHandler& handler, package::PartStatus status,
                                           const package::XmlSource& source, failure::Failure& failure) {
    if (handler.error != failure::Reason::None) {
        handler.fault.part = source.partName;
        failure = failure::Failure::inWorkbook(handler.error, std::move(handler.fault));
        return std::nullopt;
    }
    if (status != package::PartStatus::Ok) {
        failure::Reason reason = package::reasonOf(status);
        if (reason == failure::Reason::NotAWorkbook) reason = failure::Reason::WorkbookDamaged;
        failure::Place place = package::faultOf(status, source.partName);
        // The parser stops at the fault, so the row it was in is where to look.
        if (status == package::PartStatus::BadXml) place.row = handler.rowBeingRead();
        failure = failure::Failure::inWorkbook(reason, std::move(place));
        return std::nullopt;
    }
    failure = {};
    return handler.take();
}

}  // namespace

std::optional<sheet::Sheet> readSheetXml(const WorkbookParts& parts, const package::XmlSource& source,
                                         failure::Failure& failure, std::size_t halvesFrom) {
    const auto size = source.size();
    if (!size) {
        // The workbook names a sheet the package does not hold, or holds twice.
        const auto status = source.zip && !source.partName.empty() ? source.zip->find(source.partName)
                                                                   : package::PartStatus::Missing;
        failure = failure::Failure::inWorkbook(
            failure::Reason::WorkbookDamaged,
            package::faultOf(status == package::PartStatus::Ok ? package::PartStatus::Damaged : status,
                             source.partName));
        return std::nullopt;
    }
    if (*size >= halvesFrom) {
        SheetHandler first(parts, *size);
        SheetHandler second(parts, *size, true);
        const package::HalvesResult halves = package::parseXmlInHalves(source, kSheetShape, first, second);
        if (halves.outcome == package::HalvesOutcome::Whole)
            return sheetOrFailure(first, halves.first, source, failure);
        const package::SheetBudget whole = package::SheetBudget::forSource(*size);
        if (halves.outcome == package::HalvesOutcome::Halves &&
            whole.covers(first.budgetLeft(), second.budgetLeft())) {
            sheet::Sheet sheet = first.take();
            if (sheet.appendLater(second.take(), 0)) {
                failure = {};
                return sheet;
            }
        }
        // The halves did not meet: read whole, so a fault is named where it lies.
    }
    SheetHandler handler(parts, *size);
    return sheetOrFailure(handler, package::parseXml(source, handler), source, failure);
}

}  // namespace velmora::ooxml
