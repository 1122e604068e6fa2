// SPDX-License-Identifier: GPL-3.0-or-later
// The blank scratch database the workbook export starts from, carried compressed inside the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::exporting {

constexpr std::uint32_t kTemplateMagic = 0x033E0F0D;

// Returns the embedded block: magic, inflated length (both u32 little-endian), then a zlib stream.
std::string_view templateDatabaseBlock();

// Inflates a block. Gives empty data for a block of 7 bytes or fewer, a wrong magic, a stream that is
// corrupt, cut short or fails its checksum, and output beyond twice the stated length.
std::string inflateTemplateBlock(std::string_view block);

}  // namespace velmora::exporting
