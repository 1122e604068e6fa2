// SPDX-License-Identifier: GPL-3.0-or-later
// The compound document around a workbook, read with libgsf.
#include "xls/ole_container.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "sheet/gsf_library.h"

namespace velmora::xls {
namespace {

using sheet::ObjectRef;

// True when the file is a bare record stream: the plain files of BIFF2-4 (and a BIFF5/8 stream some
// writers save without a container) start with a BOF record of a sound length.
bool isPlainStream(const std::string& file) {
    if (file.size() < 8) return false;
    const auto b = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(file[i])); };
    const unsigned id = b(0) | (b(1) << 8);
    const unsigned length = b(2) | (b(3) << 8);
    return (id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809) && length >= 4 && length <= 20;
}

std::uint32_t u32In(const std::string& file, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(file[at + static_cast<std::size_t>(i)]);
    return value;
}

void setU32In(std::string& file, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
}

// Some writers put counts in the header that run past the file, such as more mini FAT sectors than the
// file holds. libgsf refuses them; a copy whose counts say what the file holds opens, and a stream
// that is really cut short still fails when it is read. Empty when there is nothing to mend.
std::string withCountsWithinFile(const std::string& file) {
    constexpr std::size_t kHeader = 512;
    constexpr std::size_t kFatCount = 44, kMiniFatStart = 60, kMiniFatCount = 64, kDifatStart = 68,
                          kDifatCount = 72, kHeaderFat = 76;
    if (file.size() < kHeader) return {};
    const unsigned shift = static_cast<unsigned char>(file[30]) | (static_cast<unsigned char>(file[31]) << 8);
    if (shift != 9 && shift != 12) return {};
    const std::size_t sectorSize = std::size_t{1} << shift;
    if (file.size() <= sectorSize) return {};
    const std::size_t sectors = (file.size() - sectorSize + sectorSize - 1) / sectorSize;
    const auto sectorAt = [&](std::uint32_t sector) {
        return (static_cast<std::size_t>(sector) + 1) * sectorSize;
    };

    // The FAT as far as its sectors listed in the header lie inside the file.
    const std::uint32_t fatCount = u32In(file, kFatCount);
    std::vector<std::uint32_t> fat;
    std::uint32_t fatSectors = 0;
    for (; fatSectors < std::min<std::uint32_t>(fatCount, 109); ++fatSectors) {
        const std::uint32_t sector = u32In(file, kHeaderFat + 4 * fatSectors);
        if (sector >= sectors || sectorAt(sector) + sectorSize > file.size()) break;
        for (std::size_t at = sectorAt(sector); at < sectorAt(sector) + sectorSize; at += 4)
            fat.push_back(u32In(file, at));
    }
    // The mini FAT holds as many sectors as its chain does.
    std::uint32_t miniFatSectors = 0;
    for (std::uint32_t sector = u32In(file, kMiniFatStart);
         sector < fat.size() && sector < sectors && miniFatSectors <= sectors; sector = fat[sector]) {
        ++miniFatSectors;
    }
    std::string mended = file;
    if (fatCount <= 109 && fatSectors < fatCount) setU32In(mended, kFatCount, fatSectors);
    if (miniFatSectors < u32In(file, kMiniFatCount)) setU32In(mended, kMiniFatCount, miniFatSectors);
    // DIFAT sectors counted where the chain of them ends before it starts.
    if (u32In(file, kDifatStart) >= 0xFFFFFFFAu && u32In(file, kDifatCount) != 0)
        setU32In(mended, kDifatCount, 0);
    if (mended == file) return {};
    return mended;
}

// Index of the child stream named `name` (any case), or -1.
int childIndex(GsfInfile* ole, const char* name) {
    const int count = gsf_infile_num_children(ole);
    for (int i = 0; i < count; ++i) {
        const char* childName = gsf_infile_name_by_index(ole, i);
        if (childName && g_ascii_strcasecmp(childName, name) == 0) return i;
    }
    return -1;
}

}  // namespace

namespace {

GsfInfile* openCompound(const std::string& file) {
    ObjectRef<GsfInput> input{gsf_input_memory_new(reinterpret_cast<const guint8*>(file.data()),
                                                   static_cast<gsf_off_t>(file.size()), FALSE)};
    if (!input.object) return nullptr;
    GError* gerror = nullptr;
    GsfInfile* ole = gsf_infile_msole_new(input.object, &gerror);
    g_clear_error(&gerror);
    return ole;
}

std::optional<std::string> streamOfCompound(const std::string& file, failure::Reason& error) {
    error = failure::Reason::WorkbookDamaged;
    ObjectRef<GsfInfile> ole{openCompound(file)};
    if (!ole.object) return std::nullopt;

    int index = childIndex(ole.object, "Workbook");
    if (index < 0) index = childIndex(ole.object, "Book");
    if (index < 0) {
        error = failure::Reason::NotAWorkbook;
        return std::nullopt;
    }
    ObjectRef<GsfInput> child{gsf_infile_child_by_index(ole.object, index)};
    if (!child.object) return std::nullopt;
    const gsf_off_t size = gsf_input_size(child.object);
    // A stream cannot hold more than the file it lives in; a larger claim is a damaged directory.
    if (size < 0 || static_cast<std::uint64_t>(size) > file.size()) return std::nullopt;
    std::string stream(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !gsf_input_read(child.object, static_cast<std::size_t>(size),
                                    reinterpret_cast<guint8*>(stream.data()))) {
        return std::nullopt;
    }
    error = failure::Reason::None;
    return stream;
}

}  // namespace

std::optional<std::string> workbookStreamOf(const std::string& file, failure::Reason& error) {
    if (!std::string_view(file).starts_with(sheet::kCompoundDocumentSignature)) {
        if (isPlainStream(file)) {
            error = failure::Reason::None;
            return file;
        }
        error = file.compare(0, 4, "PK\x03\x04") == 0 ? failure::Reason::UnsupportedVersion
                                                      : failure::Reason::NotAWorkbook;
        return std::nullopt;
    }
    sheet::initialiseGsf();
    std::optional<std::string> stream = streamOfCompound(file, error);
    if (!stream && error == failure::Reason::WorkbookDamaged) {
        const std::string mended = withCountsWithinFile(file);
        if (!mended.empty()) {
            failure::Reason again = failure::Reason::None;
            stream = streamOfCompound(mended, again);
            if (stream) error = again;
        }
    }
    return stream;
}

}  // namespace velmora::xls
