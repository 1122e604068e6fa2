// SPDX-License-Identifier: GPL-3.0-or-later
// A damaged stream must not make the reader allocate far beyond its own size. This program's
// allocations are counted while armed, the way the workbook fuzzer counts them.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "fileio/files.h"
#include "import/worksheet_reader.h"
#include "support/read_file.h"
#include "xls/sheet_reader.h"
#include "xls/workbook_globals.h"

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void* countedAllocation(std::size_t size) {
    void* pointer = std::malloc(size == 0 ? 1 : size);
    if (pointer == nullptr) throw std::bad_alloc();
    if (g_armed.load(std::memory_order_relaxed)) {
        const long long live = g_live += static_cast<long long>(malloc_usable_size(pointer));
        long long peak = g_peak.load();
        while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
        }
    }
    return pointer;
}

void countedFree(void* pointer) {
    if (pointer == nullptr) return;
    if (g_armed.load(std::memory_order_relaxed))
        g_live -= static_cast<long long>(malloc_usable_size(pointer));
    std::free(pointer);
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void operator delete(void* pointer) noexcept { countedFree(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { countedFree(pointer); }

namespace velmora::hostile {
namespace {

// Reads every cell of every worksheet of a bare workbook stream, as the import would; returns the
// peak of the bytes held meanwhile.
long long peakWhileReading(const std::string& stream) {
    g_live = 0;
    g_peak = 0;
    g_armed = true;
    const xls::biff::Bytes bytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());
    failure::Reason error = failure::Reason::None;
    if (const auto globals = xls::readWorkbookGlobals(bytes, error)) {
        for (const xls::SheetPosition& position : globals->sheets) {
            auto sheet = xls::readSheetAt(bytes, position.offset, *globals, error);
            if (!sheet) continue;
            import::WorksheetReader reader;
            reader.openSheet(std::move(*sheet), globals->uses1904);
            for (int record = 1; record <= reader.recordCount(); ++record) {
                for (int field = 0; field < reader.fieldCount(); ++field) (void)reader.field(record, field);
            }
        }
    }
    g_armed = false;
    return g_peak;
}

TEST(ReaderMemory, StreamsNamingFarRowsCostLittleMoreThanTheirSize) {
    // Found by the fuzzer: a few kilobytes with cells on rows up to 63,759 held a full row entry for
    // every row number below, several megabytes in all.
    for (const char* name : {"far-rows-1.bin", "far-rows-2.bin"}) {
        const std::string path = std::string(VELMORA_TEST_DATA) + "/fuzz/" + name;
        std::string stream;
        ASSERT_TRUE(testsupport::readWholeFile(path, stream)) << path;
        const long long limit = (1LL << 20) + 32 * static_cast<long long>(stream.size());
        EXPECT_LE(peakWhileReading(stream), limit) << name;
    }
}

std::string le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
    return out;
}

std::string record(std::uint16_t id, const std::string& data) {
    return le(id, 2) + le(static_cast<std::uint32_t>(data.size()), 2) + data;
}

TEST(ReaderMemory, ALongSharedTextInEveryCellIsKeptOnce) {
    // 60,000 cells showing one 8,000-character shared text: a copy per cell would take 480 MB.
    const std::string text(8000, 'x');
    const std::string globalsBof = record(0x0809, le(0x0600, 2) + le(0x0005, 2) + std::string(12, '\0'));
    const std::string sst = record(0x00FC, le(60000, 4) + le(1, 4) + le(8000, 2) + '\0' + text);
    const std::size_t sheetAt = globalsBof.size() + sst.size() + 4 + 9 + 4;
    std::string stream = globalsBof + sst +
                         record(0x0085, le(static_cast<std::uint32_t>(sheetAt), 4) + le(0, 2) + "\x01\x00S") +
                         record(0x000A, "");
    stream += record(0x0809, le(0x0600, 2) + le(0x0010, 2) + std::string(12, '\0'));
    for (std::uint32_t row = 0; row < 60000; ++row)
        stream += record(0x00FD, le(row, 2) + le(0, 2) + le(0, 2) + le(0, 4));
    stream += record(0x000A, "");
    const long long limit = (1LL << 20) + 32 * static_cast<long long>(stream.size());
    EXPECT_LE(peakWhileReading(stream), limit);
}

}  // namespace
}  // namespace velmora::hostile
