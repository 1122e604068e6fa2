// SPDX-License-Identifier: GPL-3.0-or-later
// Little-endian byte building and BIFF record framing for the workbook writer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace velmora::xls {

// Appends little-endian integers to a byte string; record data is built with it.
class Bytes {
public:
    Bytes& u8(std::uint8_t v) {
        m_bytes.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& u16(std::uint16_t v) {
        return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8));
    }
    Bytes& u32(std::uint32_t v) {
        return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
    }
    Bytes& f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return u32(static_cast<std::uint32_t>(bits)).u32(static_cast<std::uint32_t>(bits >> 32));
    }
    Bytes& raw(std::string_view bytes) {
        m_bytes.append(bytes);
        return *this;
    }
    Bytes& zeros(std::size_t count) {
        m_bytes.append(count, '\0');
        return *this;
    }
    std::size_t size() const { return m_bytes.size(); }
    bool empty() const { return m_bytes.empty(); }
    void clear() { m_bytes.clear(); }
    const std::string& str() const { return m_bytes; }
    std::string& str() { return m_bytes; }

private:
    std::string m_bytes;
};

// A BIFF stream under construction: records of id, length and data.
class RecordStream {
public:
    void record(std::uint16_t id, std::string_view data) {
        // BIFF8 caps record data at 8224 bytes; longer data must go on in CONTINUE records. Going over
        // is a bug in this writer, and a workbook other programs may misread is worse than stopping.
        if (data.size() > 8224) std::abort();
        m_bytes.u16(id).u16(static_cast<std::uint16_t>(data.size())).raw(data);
    }
    void record(std::uint16_t id, const Bytes& data) { record(id, std::string_view(data.str())); }
    // Overwrites a u32 already written, e.g. a sheet offset known only once the globals are complete.
    void patch32(std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes.str()[offset + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    }
    void append(std::string_view recordsBytes) { m_bytes.raw(recordsBytes); }
    std::size_t size() const { return m_bytes.size(); }
    std::string& str() { return m_bytes.str(); }

private:
    Bytes m_bytes;
};

namespace record {
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kWindow2 = 0x023E;
}  // namespace record

}  // namespace velmora::xls
