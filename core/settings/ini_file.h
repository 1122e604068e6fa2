// SPDX-License-Identifier: GPL-3.0-or-later
// A GBK INI file with the semantics of the classic private-profile functions.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "text/rules.h"

namespace velmora::settings {

using text::Text;

// The longest value a read hands out, in bytes; longer values are cut at a character boundary.
inline constexpr std::size_t kMaxValueBytes = 10239;

// Holds the file's lines, so that a save keeps every other section, key and comment as it was.
// Section and key names match without regard to ASCII case; the first matching section and key win.
class IniFile {
public:
    // Parses file content; lines may end in CR LF or LF. Anything is accepted, garbage included.
    static IniFile parse(std::string_view content);

    // Returns the value with surrounding blanks removed and cut to kMaxValueBytes, or nullopt.
    std::optional<Text> value(std::string_view section, std::string_view key) const;

    // Sets the value, adding the key at the end of its section and the section at the end of the file
    // when they are missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    // Returns the file content with CR LF line ends.
    Text serialize() const;

private:
    struct Line {
        Text text;
        bool isSection = false;
        Text name;  // section name or key, blanks removed; empty for other lines
    };

    // Index of the first section line with that name, or lines.size().
    std::size_t findSection(std::string_view section) const;
    // End of a section's lines: the next section line or the end of the file.
    std::size_t sectionEnd(std::size_t sectionLine) const;

    std::vector<Line> m_lines;
};

// Compares two GBK texts, folding only single-byte ASCII letters; two-byte characters compare exactly.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace velmora::settings
