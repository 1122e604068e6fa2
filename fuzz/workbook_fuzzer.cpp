// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a workbook: every sheet, every cell, and the cells as import text. Bytes that
// are no compound document are also read as a bare workbook stream, so mutations reach the record
// parser without having to keep a container intact. Under AddressSanitizer, checks that memory stays
// within a small multiple of the input's size.
#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_COUNTS_ALLOCATIONS 1
#include <sanitizer/allocator_interface.h>
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_COUNTS_ALLOCATIONS 1
// GCC's runtime has the allocator hooks but ships no header for them.
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* pointer);
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#endif

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "import/worksheet_reader.h"
#include "xls/ole_container.h"
#include "xls/sheet_reader.h"
#include "xls/workbook_globals.h"

using namespace velmora;

namespace {

// Bytes allocated since the phase began, and their peak; counted only while armed.
std::atomic<bool> g_armed{false};
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

#ifdef VELMORA_COUNTS_ALLOCATIONS
void onMalloc(const volatile void*, std::size_t size) {
    if (!g_armed.load(std::memory_order_relaxed)) return;
    const long long live = g_live.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    long long peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

void onFree(const volatile void* pointer) {
    if (!g_armed.load(std::memory_order_relaxed) || pointer == nullptr) return;
    g_live.fetch_sub(
        static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer))));
}
#endif

void arm() {
    g_live = 0;
    g_peak = 0;
    g_armed = true;
}

void checkPeak(const char* phase, long long limit) {
    g_armed = false;
    if (g_peak <= limit) return;
    std::fprintf(stderr, "runaway allocation in %s: peak %lld bytes, limit %lld\n", phase, g_peak.load(),
                 limit);
    __builtin_trap();
}

// libgsf sizes a stream's block index by the length the directory claims before anything checks it:
// up to 32 MB each for the root and the workbook stream, whatever the file. Our own code gets far less.
constexpr long long kContainerAllowance = 72LL << 20;
// The row number index of a sheet: 4 bytes for each of up to 65,536 rows, and its growth.
constexpr long long kReaderAllowance = 1LL << 20;
constexpr long long kPerInputByte = 32;
constexpr long long kFieldBudget = 1 << 16;

void readStream(const std::string& stream) {
    const xls::biff::Bytes bytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());
    failure::Reason error = failure::Reason::None;
    const auto globals = xls::readWorkbookGlobals(bytes, error);
    if (!globals) {
        if (error == failure::Reason::None) __builtin_trap();  // a failure must say why
        return;
    }
    std::vector<xls::SheetEntry> entries;
    for (const xls::SheetPosition& sheet : globals->sheets) entries.push_back(sheet.entry);
    (void)import::listSheetNames(entries);
    for (const xls::SheetPosition& position : globals->sheets) {
        if (position.entry.kind != xls::SheetKind::Worksheet) continue;
        auto sheet = xls::readSheetAt(bytes, position.offset, *globals, error);
        if (!sheet) {
            if (error == failure::Reason::None) __builtin_trap();
            continue;
        }
        import::WorksheetReader reader;
        reader.openSheet(std::move(*sheet), globals->uses1904);
        // A few kilobytes can declare 65,536 x 256 mostly empty fields; reading them all would spend
        // the run there. Beyond a budget, whole rows at a stride, the first and last always among them.
        const long long fields = static_cast<long long>(reader.recordCount()) * reader.fieldCount();
        const int stride = static_cast<int>(std::max(1LL, fields / kFieldBudget));
        for (int record = 1; record <= reader.recordCount(); record += stride) {
            for (int field = 0; field < reader.fieldCount(); ++field) (void)reader.field(record, field);
        }
        for (int field = 0; field < reader.fieldCount(); ++field)
            (void)reader.field(reader.recordCount(), field);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
#ifdef VELMORA_COUNTS_ALLOCATIONS
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto perInput = kPerInputByte * static_cast<long long>(size);
    arm();
    failure::Reason error = failure::Reason::None;
    std::optional<std::string> stream = xls::workbookStreamOf(input, error);
    checkPeak("the container", kContainerAllowance + perInput);
    if (!stream) {
        if (error == failure::Reason::None) __builtin_trap();
        stream = input;
    }
    arm();
    readStream(*stream);
    checkPeak("the reader", kReaderAllowance + perInput);
    return 0;
}
