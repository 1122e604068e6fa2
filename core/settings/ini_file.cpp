// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_file.h"

namespace velmora::settings {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Cuts to at most `limit` bytes without splitting a two-byte character.
std::string_view cutAtCharacter(std::string_view s, std::size_t limit) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t next = pos + text::charLength(s, pos);
        if (next > limit) break;
        pos = next;
    }
    return s.substr(0, pos);
}

}  // namespace

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t pos = 0; pos < a.size();) {
        const std::size_t len = text::charLength(a, pos);
        if (len == 1) {
            if (asciiLower(a[pos]) != asciiLower(b[pos])) return false;
        } else if (a.compare(pos, len, b.substr(pos, len)) != 0) {
            return false;
        }
        pos += len;
    }
    return true;
}

IniFile IniFile::parse(std::string_view content) {
    IniFile file;
    while (!content.empty()) {
        const auto end = content.find('\n');
        std::string_view raw = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        // Values never hold NUL bytes; whatever follows one on a line is dropped.
        raw = raw.substr(0, raw.find('\0'));
        Line line{Text(raw), false, {}};
        const std::string_view trimmed = trimBlanks(raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const auto close = trimmed.find(']');
            line.isSection = true;
            line.name =
                Text(trimBlanks(trimmed.substr(1, close == std::string_view::npos ? close : close - 1)));
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            const auto equals = trimmed.find('=');
            if (equals != std::string_view::npos) line.name = Text(trimBlanks(trimmed.substr(0, equals)));
        }
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

std::size_t IniFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].isSection && equalsIgnoringAsciiCase(m_lines[i].name, trimBlanks(section))) return i;
    }
    return m_lines.size();
}

std::size_t IniFile::sectionEnd(std::size_t sectionLine) const {
    std::size_t i = sectionLine + 1;
    while (i < m_lines.size() && !m_lines[i].isSection) ++i;
    return i;
}

std::optional<Text> IniFile::value(std::string_view section, std::string_view key) const {
    const std::size_t start = findSection(section);
    if (start == m_lines.size()) return std::nullopt;
    const std::size_t end = sectionEnd(start);
    for (std::size_t i = start + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.name.empty() || !equalsIgnoringAsciiCase(line.name, trimBlanks(key))) continue;
        const std::string_view raw = line.text;
        const std::string_view value = trimBlanks(raw.substr(raw.find('=') + 1));
        return Text(cutAtCharacter(value, kMaxValueBytes));
    }
    return std::nullopt;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const Text newLine = text::join(key, "=", value);
    std::size_t start = findSection(section);
    if (start == m_lines.size()) {
        m_lines.push_back(Line{text::join("[", section, "]"), true, Text(section)});
        m_lines.push_back(Line{newLine, false, Text(key)});
        return;
    }
    const std::size_t end = sectionEnd(start);
    std::size_t insertAt = start + 1;
    for (std::size_t i = start + 1; i < end; ++i) {
        if (!m_lines[i].name.empty() && equalsIgnoringAsciiCase(m_lines[i].name, trimBlanks(key))) {
            m_lines[i] = Line{newLine, false, Text(key)};
            return;
        }
        // New keys go after the section's last non-empty line, so a blank separator line stays last.
        if (!trimBlanks(m_lines[i].text).empty()) insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{newLine, false, Text(key)});
}

Text IniFile::serialize() const {
    Text out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

}  // namespace velmora::settings
