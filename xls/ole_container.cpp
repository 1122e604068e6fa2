// SPDX-License-Identifier: GPL-3.0-or-later
// The compound document around a workbook, read with libgsf.
#include "xls/ole_container.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <mutex>

namespace velmora::xls {
namespace {

constexpr unsigned char kOleSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

void initialiseGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged container is reported through OpenError; libgsf's own complaints would only
        // clutter the terminal.
        g_log_set_handler(
            "libgsf:msole", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        // Its stream lookup warns without a domain; other programs' warnings there still go through.
        g_log_set_handler(
            nullptr, G_LOG_LEVEL_WARNING,
            [](const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer data) {
                if (message && g_str_has_prefix(message, "Unable to get child")) return;
                g_log_default_handler(domain, level, message, data);
            },
            nullptr);
    });
}

// Drops a GObject reference when it goes out of scope.
template <typename T>
struct ObjectRef {
    T* object = nullptr;
    ~ObjectRef() {
        if (object) g_object_unref(object);
    }
};

// What a file that is no compound document is, judged by its first bytes.
OpenError classifyPlainFile(const std::string& file) {
    if (file.size() >= 4) {
        const auto b = [&](std::size_t i) { return static_cast<unsigned char>(file[i]); };
        const unsigned id = b(0) | (b(1) << 8);
        // A bare BIFF2-4 stream (or an uncontained BIFF5/8 one), or a zip-based workbook.
        if (id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809) return OpenError::UnsupportedFormat;
        if (file.compare(0, 4, "PK\x03\x04") == 0) return OpenError::UnsupportedFormat;
    }
    return OpenError::NotWorkbook;
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

std::optional<std::string> workbookStreamOf(const std::string& file, OpenError& error) {
    if (file.size() < sizeof kOleSignature ||
        std::memcmp(file.data(), kOleSignature, sizeof kOleSignature) != 0) {
        error = classifyPlainFile(file);
        return std::nullopt;
    }
    initialiseGsf();
    error = OpenError::Damaged;
    ObjectRef<GsfInput> input{gsf_input_memory_new(reinterpret_cast<const guint8*>(file.data()),
                                                   static_cast<gsf_off_t>(file.size()), FALSE)};
    if (!input.object) return std::nullopt;
    GError* gerror = nullptr;
    ObjectRef<GsfInfile> ole{gsf_infile_msole_new(input.object, &gerror)};
    g_clear_error(&gerror);
    if (!ole.object) return std::nullopt;

    int index = childIndex(ole.object, "Workbook");
    if (index < 0) index = childIndex(ole.object, "Book");
    if (index < 0) {
        error = OpenError::NotWorkbook;
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
    error = OpenError::None;
    return stream;
}

}  // namespace velmora::xls
