// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-built BIFF streams and compound documents for reader tests.
#include "biff_test_streams.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstring>

namespace velmora::xls::testing {

std::string le16(std::uint16_t value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string le32(std::uint32_t value) {
    return le16(static_cast<std::uint16_t>(value & 0xFFFF)) + le16(static_cast<std::uint16_t>(value >> 16));
}

std::string leDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return le32(static_cast<std::uint32_t>(bits)) + le32(static_cast<std::uint32_t>(bits >> 32));
}

std::string record(std::uint16_t id, const std::string& data) {
    return le16(id) + le16(static_cast<std::uint16_t>(data.size())) + data;
}

std::size_t StreamBuilder::add(std::uint16_t id, const std::string& data) {
    const std::size_t offset = m_bytes.size();
    m_bytes += record(id, data);
    return offset;
}

void StreamBuilder::patch32(std::size_t offset, std::uint32_t value) {
    m_bytes.replace(offset, 4, le32(value));
}

std::string bofData(std::uint16_t type, std::uint16_t version) {
    return le16(version) + le16(type) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(6);
}

std::string boundSheetData(std::uint32_t offset, const std::string& name, std::uint8_t type) {
    return le32(offset) + std::string{'\0', static_cast<char>(type), static_cast<char>(name.size()), '\0'} +
           name;
}

std::string cellHead(std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
    return le16(row) + le16(column) + le16(xf);
}

std::string oneSheetStream(const std::string& globals, const std::string& sheet) {
    StreamBuilder stream;
    stream.add(0x0809, bofData(0x0005));
    stream.addRaw(globals);
    const std::size_t boundSheet = stream.add(0x0085, boundSheetData(0, "S"));
    stream.add(0x000A, "");
    stream.patch32(boundSheet + 4, static_cast<std::uint32_t>(stream.size()));
    stream.add(0x0809, bofData(0x0010));
    stream.addRaw(sheet);
    stream.add(0x000A, "");
    return stream.bytes();
}

std::string biff5LabelStream(std::uint16_t codePage, const std::string& name, std::uint16_t row,
                             std::uint16_t column, const std::string& label) {
    StreamBuilder stream;
    stream.add(0x0809, bofData(0x0005, 0x0500));
    stream.add(0x0042, le16(codePage));
    const std::size_t entry =
        stream.add(0x0085, le32(0) + std::string(2, '\0') + static_cast<char>(name.size()) + name);
    stream.add(0x000A, "");
    stream.patch32(entry + 4, static_cast<std::uint32_t>(stream.size()));
    stream.add(0x0809, bofData(0x0010, 0x0500));
    stream.add(0x0204, cellHead(row, column) + le16(static_cast<std::uint16_t>(label.size())) + label);
    stream.add(0x000A, "");
    return stream.bytes();
}

std::string wrapInOle(const std::vector<std::pair<std::string, std::string>>& streams) {
    gsf_init();
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    for (const auto& [name, bytes] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name.c_str(), FALSE);
        if (!bytes.empty())
            gsf_output_write(child, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const auto* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
    std::string file(reinterpret_cast<const char*>(data), static_cast<std::size_t>(gsf_output_size(sink)));
    g_object_unref(sink);
    return file;
}

std::string streamOfFile(const std::string& path, const std::string& name) {
    gsf_init();
    std::string bytes;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), nullptr);
    if (!input) return bytes;
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    if (ole) {
        GsfInput* child = gsf_infile_child_by_name(ole, name.c_str());
        if (child) {
            bytes.resize(static_cast<std::size_t>(gsf_input_size(child)));
            if (!gsf_input_read(child, bytes.size(), reinterpret_cast<guint8*>(bytes.data()))) bytes.clear();
            g_object_unref(child);
        }
        g_object_unref(ole);
    }
    g_object_unref(input);
    return bytes;
}

}  // namespace velmora::xls::testing
