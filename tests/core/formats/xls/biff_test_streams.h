// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-built BIFF streams and compound documents for reader tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora::xls::testing {

std::string le16(std::uint16_t value);
std::string le32(std::uint32_t value);
std::string leDouble(double value);

// A BIFF stream built record by record.
class StreamBuilder {
public:
    // Appends a record and returns the offset of its header.
    std::size_t add(std::uint16_t id, const std::string& data);
    // Appends raw bytes: whole records, or deliberately broken ones.
    void addRaw(const std::string& bytes) { m_bytes += bytes; }
    void patch32(std::size_t offset, std::uint32_t value);
    std::size_t size() const { return m_bytes.size(); }
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// BOF records of the globals and of a worksheet, BIFF8 (0x0600) or BIFF5 (0x0500).
std::string bofData(std::uint16_t type, std::uint16_t version = 0x0600);
// A BIFF8 BOUNDSHEET with the sheet's offset (to be patched at record + 4) and a Latin-1 name.
std::string boundSheetData(std::uint32_t offset, const std::string& name, std::uint8_t type = 0);
// A cell record's first six bytes.
std::string cellHead(std::uint16_t row, std::uint16_t column, std::uint16_t xf = 0);

// A one-worksheet BIFF8 stream: globals (BOF, `globals`, BOUNDSHEET "S", EOF) and the sheet (BOF,
// `sheet`, EOF). Each part is a string of whole records made by StreamBuilder.
std::string oneSheetStream(const std::string& globals, const std::string& sheet);

// A one-worksheet BIFF5 stream in `codePage`: the sheet is named `name` and holds a LABEL of `label` at
// `row`, `column`, both in that code page's bytes.
std::string biff5LabelStream(std::uint16_t codePage, const std::string& name, std::uint16_t row,
                             std::uint16_t column, const std::string& label);

// Records as bytes, for the parts of oneSheetStream.
std::string record(std::uint16_t id, const std::string& data);

// Wraps streams (name, bytes) into a compound document in memory, as a workbook file holds them.
std::string wrapInOle(const std::vector<std::pair<std::string, std::string>>& streams);
inline std::string wrapInOle(const std::string& workbookStream) {
    return wrapInOle({{"Workbook", workbookStream}});
}

// Copies a named stream out of a compound document file (empty when it cannot).
std::string streamOfFile(const std::string& path, const std::string& name);

}  // namespace velmora::xls::testing
