// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/template_database.h"

#include <zlib.h>

#include <array>

namespace velmora::exporting {
namespace {

constexpr unsigned char kBlock[] = {
#include "template_database.inc"
};

std::uint32_t u32At(std::string_view bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

}  // namespace

std::string_view templateDatabaseBlock() { return {reinterpret_cast<const char*>(kBlock), sizeof kBlock}; }

std::string inflateTemplateBlock(std::string_view block) {
    if (block.size() <= 7 || u32At(block, 0) != kTemplateMagic) return {};
    const std::uint64_t capacity = 2 * std::uint64_t{u32At(block, 4)};
    const std::string_view stream = block.substr(8);

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    z.avail_in = static_cast<uInt>(stream.size());
    // The output grows as it comes rather than being reserved from the stated length, so a damaged
    // length field cannot make us allocate gigabytes.
    std::string out;
    std::array<char, 65536> chunk;
    int rc = Z_OK;
    while (rc == Z_OK && out.size() <= capacity) {
        z.next_out = reinterpret_cast<Bytef*>(chunk.data());
        z.avail_out = static_cast<uInt>(chunk.size());
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(chunk.data(), chunk.size() - z.avail_out);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END || out.size() > capacity) return {};
    return out;
}

}  // namespace velmora::exporting
