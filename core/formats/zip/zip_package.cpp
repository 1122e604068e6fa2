// SPDX-License-Identifier: GPL-3.0-or-later
// The zip container, read with libgsf.
#include "package/zip_package.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "sheet/gsf_library.h"

namespace velmora::package {
namespace {

// Real workbook parts inflate to a few dozen times the file at most; a zip bomb inflates to thousands.
constexpr std::size_t kInflationPerFileByte = 100;
// Small files still get room for an honest part; a part this size parses in well under a second.
constexpr std::size_t kPartSizeFloor = std::size_t{16} << 20;
// Whatever the file: the XML of a full sheet of the largest kind stays below this.
constexpr std::size_t kPartSizeCap = std::size_t{1} << 30;
constexpr std::size_t kChunkSize = std::size_t{1} << 18;
// A part at least this large is inflated on a thread of its own, a few chunks ahead of its reader: the
// reader spends most of its time parsing, and the other core often waits once the smaller workbook of
// the two read at once is done.
constexpr std::size_t kAheadFloor = std::size_t{2} << 20;
constexpr std::size_t kAheadChunks = 8;

using sheet::ObjectRef;

// Indexes of the children of `dir` named `name`: an exact match first, then those differing only in case.
std::vector<int> childrenNamed(GsfInfile* dir, std::string_view name) {
    const std::string wanted(name);
    std::vector<int> found;
    const int count = gsf_infile_num_children(dir);
    for (int i = 0; i < count; ++i) {
        const char* childName = gsf_infile_name_by_index(dir, i);
        if (childName && wanted == childName) {
            found.insert(found.begin(), i);
        } else if (childName && g_ascii_strcasecmp(childName, wanted.c_str()) == 0) {
            found.push_back(i);
        }
    }
    return found;
}

// True when a compound document's directory holds a stream entry of this ASCII name (in any case),
// found by the entry's layout: directory entries are 128 bytes, and every sector starts at a multiple
// of 128 from the file's start.
bool holdsStreamEntry(std::string_view bytes, std::string_view name) {
    constexpr std::size_t kEntrySize = 128;
    constexpr std::size_t kNameLengthAt = 64;
    constexpr std::size_t kTypeAt = 66;
    constexpr unsigned char kStream = 2;
    const std::size_t nameBytes = (name.size() + 1) * 2;
    const auto byteAt = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    for (std::size_t at = 512; at + kEntrySize <= bytes.size(); at += kEntrySize) {
        if (byteAt(at + kNameLengthAt) != nameBytes || byteAt(at + kNameLengthAt + 1) != 0 ||
            byteAt(at + kTypeAt) != kStream)
            continue;
        bool same = byteAt(at + nameBytes - 2) == 0 && byteAt(at + nameBytes - 1) == 0;
        for (std::size_t i = 0; same && i < name.size(); ++i) {
            same = byteAt(at + 2 * i + 1) == 0 &&
                   g_ascii_tolower(static_cast<char>(byteAt(at + 2 * i))) == g_ascii_tolower(name[i]);
        }
        if (same) return true;
    }
    return false;
}

// Zip entries inside folders come out as a tree; a folder holds no bytes of its own.
bool isFolder(GsfInput* entry) {
    return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0;
}

// Every entry at `path` below `dir`, each with whether its whole path matched exactly. Folders that
// differ only in case ("xl/" and "XL/") are separate folders of the tree, so each is searched.
void collectBelow(GsfInfile* dir, std::string_view path, bool exact, int depth,
                  std::vector<std::pair<ObjectRef<GsfInput>, bool>>& found) {
    if (depth > 32) return;
    const std::size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    for (const int index : childrenNamed(dir, name)) {
        ObjectRef<GsfInput> child(gsf_infile_child_by_index(dir, index));
        if (!child.object) continue;
        const bool exactHere = exact && name == gsf_infile_name_by_index(dir, index);
        if (slash == std::string_view::npos) {
            if (!isFolder(child.object)) found.emplace_back(std::move(child), exactHere);
        } else if (isFolder(child.object)) {
            collectBelow(GSF_INFILE(child.object), path.substr(slash + 1), exactHere, depth + 1, found);
        }
    }
}

// Reads `size` bytes of `part` in chunks on a thread of its own, handing each to `consume` on this one
// in order; nullopt when no thread can be had (the caller then reads them itself). Ends as the plain
// read does: Damaged at the chunk libgsf cannot read, Ok as soon as `consume` wants no more.
std::optional<PartStatus> readAhead(GsfInput* part, gsf_off_t size,
                                    const std::function<bool(std::string_view chunk)>& consume) {
    struct Chunk {
        std::vector<guint8> bytes;
        std::size_t used = 0;
    };
    std::array<Chunk, kAheadChunks> chunks;
    for (Chunk& chunk : chunks)
        chunk.bytes.resize(std::min<std::size_t>(kChunkSize, static_cast<std::size_t>(size)));
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t produced = 0, consumed = 0;  // chunks, counted from the part's start
    bool failed = false, stopped = false;

    const auto produce = [&] {
        for (gsf_off_t left = size; left > 0;) {
            Chunk* chunk = nullptr;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopped || produced - consumed < kAheadChunks; });
                if (stopped) return;
                chunk = &chunks[produced % kAheadChunks];
            }
            const auto count = static_cast<std::size_t>(std::min<gsf_off_t>(left, kChunkSize));
            const bool read = gsf_input_read(part, count, chunk->bytes.data()) != nullptr;
            {
                const std::lock_guard lock(mutex);
                chunk->used = count;
                if (read) ++produced;
                failed = !read;
            }
            changed.notify_all();
            if (!read) return;
            left -= static_cast<gsf_off_t>(count);
        }
    };
    std::thread thread;
    try {
        thread = std::thread(produce);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    // However this ends (a parser's exception included), the thread stops before the chunks go.
    struct Stop {
        std::mutex& mutex;
        std::condition_variable& changed;
        bool& stopped;
        std::thread& thread;
        ~Stop() {
            {
                const std::lock_guard lock(mutex);
                stopped = true;
            }
            changed.notify_all();
            thread.join();
        }
    } stop{mutex, changed, stopped, thread};

    for (gsf_off_t left = size; left > 0;) {
        const Chunk* chunk = nullptr;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return failed || produced > consumed; });
            if (produced == consumed) return PartStatus::Damaged;
            chunk = &chunks[consumed % kAheadChunks];
        }
        const bool more =
            consume(std::string_view(reinterpret_cast<const char*>(chunk->bytes.data()), chunk->used));
        left -= static_cast<gsf_off_t>(chunk->used);
        {
            const std::lock_guard lock(mutex);
            ++consumed;
        }
        changed.notify_all();
        if (!more) break;
    }
    return PartStatus::Ok;
}

}  // namespace

struct ZipPackage::Handle {
    ObjectRef<GsfInput> memory;
    ObjectRef<GsfInfile> zip;

    // The part at `partName` ("xl/workbook.xml", a leading "/" allowed): the entry of exactly that name,
    // else the one differing only in case. Duplicate when two entries have that name, or no entry has it
    // exactly and several differ from it only in case: readers would disagree on which to take.
    PartStatus find(std::string_view partName, ObjectRef<GsfInput>& part) const {
        while (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
        std::vector<std::pair<ObjectRef<GsfInput>, bool>> found;
        collectBelow(zip.object, partName, true, 0, found);
        const auto exact = std::count_if(found.begin(), found.end(), [](const auto& f) { return f.second; });
        if (exact > 1 || (exact == 0 && found.size() > 1)) return PartStatus::Duplicate;
        if (found.empty()) return PartStatus::Missing;
        for (auto& [entry, isExact] : found) {
            if (isExact || exact == 0) part = std::move(entry);
        }
        return PartStatus::Ok;
    }
};

ZipPackage::ZipPackage(std::unique_ptr<Handle> handle, std::string_view bytes, std::size_t partSizeLimit)
    : m_handle(std::move(handle)), m_bytes(bytes), m_partSizeLimit(partSizeLimit) {}
ZipPackage::~ZipPackage() = default;
ZipPackage::ZipPackage(ZipPackage&&) noexcept = default;
ZipPackage& ZipPackage::operator=(ZipPackage&&) noexcept = default;

std::optional<ZipPackage> ZipPackage::open(std::string_view bytes) {
    sheet::initialiseGsf();
    sheet::requireGsfRoom();
    auto handle = std::make_unique<Handle>();
    handle->memory.object = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                                 static_cast<gsf_off_t>(bytes.size()), FALSE);
    if (!handle->memory.object) return std::nullopt;
    GError* error = nullptr;
    handle->zip.object = gsf_infile_zip_new(handle->memory.object, &error);
    g_clear_error(&error);
    if (!handle->zip.object) return std::nullopt;
    const std::size_t limit =
        std::min(kPartSizeCap, std::max(kPartSizeFloor, bytes.size() * kInflationPerFileByte));
    return ZipPackage(std::move(handle), bytes, limit);
}

bool ZipPackage::has(std::string_view partName) const {
    ObjectRef<GsfInput> part;
    return m_handle->find(partName, part) != PartStatus::Missing;
}

PartStatus ZipPackage::find(std::string_view partName) const {
    ObjectRef<GsfInput> part;
    return m_handle->find(partName, part);
}

std::optional<std::size_t> ZipPackage::size(std::string_view partName) const {
    ObjectRef<GsfInput> part;
    if (m_handle->find(partName, part) != PartStatus::Ok || gsf_input_size(part.object) < 0)
        return std::nullopt;
    return static_cast<std::size_t>(gsf_input_size(part.object));
}

PartStatus ZipPackage::read(std::string_view partName,
                            const std::function<bool(std::string_view chunk)>& consume) const {
    sheet::requireGsfRoom();
    ObjectRef<GsfInput> part;
    if (const PartStatus found = m_handle->find(partName, part); found != PartStatus::Ok) return found;
    const gsf_off_t size = gsf_input_size(part.object);
    if (size < 0) return PartStatus::Damaged;
    // libgsf never inflates beyond the size the directory declares, so checking the claim bounds the work.
    if (static_cast<std::uint64_t>(size) > m_partSizeLimit) return PartStatus::TooLarge;
    if (static_cast<std::uint64_t>(size) >= kAheadFloor) {
        if (const auto status = readAhead(part.object, size, consume)) return *status;
    }
    std::vector<guint8> buffer(std::min<std::size_t>(kChunkSize, static_cast<std::size_t>(size)));
    gsf_off_t left = size;
    while (left > 0) {
        const auto count = static_cast<std::size_t>(std::min<gsf_off_t>(left, kChunkSize));
        if (!gsf_input_read(part.object, count, buffer.data())) return PartStatus::Damaged;
        left -= static_cast<gsf_off_t>(count);
        if (!consume(std::string_view(reinterpret_cast<const char*>(buffer.data()), count)))
            return PartStatus::Ok;
    }
    return PartStatus::Ok;
}

PartStatus ZipPackage::readAll(std::string_view partName, std::string& out) const {
    out.clear();
    return read(partName, [&out](std::string_view chunk) {
        out.append(chunk);
        return true;
    });
}

bool isEncryptedPackage(std::string_view bytes) {
    if (!bytes.starts_with(sheet::kCompoundDocumentSignature)) return false;
    sheet::initialiseGsf();
    ObjectRef<GsfInput> memory(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                                    static_cast<gsf_off_t>(bytes.size()), FALSE));
    if (!memory.object) return false;
    GError* error = nullptr;
    ObjectRef<GsfInfile> ole(gsf_infile_msole_new(memory.object, &error));
    g_clear_error(&error);
    // The name is enough: the stream need not be readable to say what the file is.
    if (ole.object && !childrenNamed(ole.object, "EncryptedPackage").empty()) return true;
    // libgsf leaves out a stream whose directory entry claims more than the file holds, or refuses the
    // whole directory; both streams' entries still say the file is an encrypted package.
    return holdsStreamEntry(bytes, "EncryptionInfo") && holdsStreamEntry(bytes, "EncryptedPackage");
}

}  // namespace velmora::package
