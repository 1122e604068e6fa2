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
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "xls/gsf_library.h"

namespace velmora::package {
namespace {

// Real workbook parts inflate to a few dozen times the file at most; a zip bomb inflates to thousands.
constexpr std::size_t kInflationPerFileByte = 100;
// Small files still get room for an honest part; a part this size parses in well under a second.
constexpr std::size_t kPartSizeFloor = std::size_t{16} << 20;
// Whatever the file: the XML of a full sheet of the largest kind stays below this.
constexpr std::size_t kPartSizeCap = std::size_t{1} << 30;
constexpr std::size_t kChunkSize = std::size_t{1} << 18;

template <typename T>
struct ObjectRef {
    T* object = nullptr;
    ObjectRef() = default;
    explicit ObjectRef(T* o) : object(o) {}
    ObjectRef(const ObjectRef&) = delete;
    ObjectRef& operator=(const ObjectRef&) = delete;
    ObjectRef(ObjectRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ObjectRef& operator=(ObjectRef&& other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    ~ObjectRef() {
        if (object) g_object_unref(object);
    }
};

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

GsfInput* childNamed(GsfInfile* dir, std::string_view name) {
    const std::vector<int> found = childrenNamed(dir, name);
    return found.empty() ? nullptr : gsf_infile_child_by_index(dir, found.front());
}

// Zip entries inside folders come out as a tree; a folder holds no bytes of its own.
bool isFolder(GsfInput* entry) {
    return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0;
}

// The entry at `path` below `dir`. Folders that differ only in case ("xl/" and "XL/") are separate
// folders of the tree, so each is tried in turn.
ObjectRef<GsfInput> findBelow(GsfInfile* dir, std::string_view path, int depth) {
    if (depth > 32) return {};
    const std::size_t slash = path.find('/');
    for (const int index : childrenNamed(dir, path.substr(0, slash))) {
        ObjectRef<GsfInput> child(gsf_infile_child_by_index(dir, index));
        if (!child.object) continue;
        if (slash == std::string_view::npos) {
            if (!isFolder(child.object)) return child;
        } else if (isFolder(child.object)) {
            ObjectRef<GsfInput> found =
                findBelow(GSF_INFILE(child.object), path.substr(slash + 1), depth + 1);
            if (found.object) return found;
        }
    }
    return {};
}

}  // namespace

struct ZipPackage::Handle {
    ObjectRef<GsfInput> memory;
    ObjectRef<GsfInfile> zip;

    // The part at `partName` ("xl/workbook.xml", a leading "/" allowed), or null.
    ObjectRef<GsfInput> find(std::string_view partName) const {
        while (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
        return findBelow(zip.object, partName, 0);
    }
};

ZipPackage::ZipPackage(std::unique_ptr<Handle> handle, std::size_t partSizeLimit)
    : m_handle(std::move(handle)), m_partSizeLimit(partSizeLimit) {}
ZipPackage::~ZipPackage() = default;
ZipPackage::ZipPackage(ZipPackage&&) noexcept = default;
ZipPackage& ZipPackage::operator=(ZipPackage&&) noexcept = default;

std::optional<ZipPackage> ZipPackage::open(std::string_view bytes) {
    xls::initialiseGsf();
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
    return ZipPackage(std::move(handle), limit);
}

bool ZipPackage::has(std::string_view partName) const {
    const ObjectRef<GsfInput> part = m_handle->find(partName);
    return part.object && !isFolder(part.object);
}

std::optional<std::size_t> ZipPackage::size(std::string_view partName) const {
    const ObjectRef<GsfInput> part = m_handle->find(partName);
    if (!part.object || isFolder(part.object) || gsf_input_size(part.object) < 0) return std::nullopt;
    return static_cast<std::size_t>(gsf_input_size(part.object));
}

PartStatus ZipPackage::read(std::string_view partName,
                            const std::function<bool(std::string_view chunk)>& consume) const {
    const ObjectRef<GsfInput> part = m_handle->find(partName);
    if (!part.object) return PartStatus::Missing;
    if (isFolder(part.object)) return PartStatus::Missing;
    const gsf_off_t size = gsf_input_size(part.object);
    if (size < 0) return PartStatus::Damaged;
    // libgsf never inflates beyond the size the directory declares, so checking the claim bounds the work.
    if (static_cast<std::uint64_t>(size) > m_partSizeLimit) return PartStatus::TooLarge;
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
    static constexpr unsigned char kOleSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (bytes.size() < sizeof kOleSignature ||
        std::memcmp(bytes.data(), kOleSignature, sizeof kOleSignature) != 0)
        return false;
    xls::initialiseGsf();
    ObjectRef<GsfInput> memory(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                                    static_cast<gsf_off_t>(bytes.size()), FALSE));
    if (!memory.object) return false;
    GError* error = nullptr;
    ObjectRef<GsfInfile> ole(gsf_infile_msole_new(memory.object, &error));
    g_clear_error(&error);
    if (!ole.object) return false;
    const ObjectRef<GsfInput> stream(childNamed(ole.object, "EncryptedPackage"));
    return stream.object != nullptr;
}

}  // namespace velmora::package
