// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheet/gsf_library.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

namespace velmora::sheet {

void initialiseGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        for (const char* domain : {"libgsf:zip", "libgsf:msole"}) {
            g_log_set_handler(
                domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        }
        // Its stream lookup and its zip reader warn without a domain; other warnings there still go
        // through.
        g_log_set_handler(
            nullptr, G_LOG_LEVEL_WARNING,
            [](const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer data) {
                if (message && g_str_has_prefix(message, "Unable to get child")) return;
                g_log_default_handler(domain, level, message, data);
            },
            nullptr);
        // GLib's own checks complain when libgsf hands them what a damaged or oddly dated entry gave it
        // (a zip entry dated day 0 has no date, and libgsf releases the missing date of every entry it
        // opens). The entry still reads, and every real fault comes back as a status.
        for (const char* domain : {"GLib", "GLib-GObject"}) {
            g_log_set_handler(
                domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        }
        // A damaged zip entry makes its reader print the header it found.
        g_set_printerr_handler([](const gchar* text) {
            if (g_str_has_prefix(text, "Header is 0x") || g_str_has_prefix(text, "Expected 0x")) return;
            std::fputs(text, stderr);
        });
    });
}

namespace {

// Far more than GLib's set-up or a reader's libgsf objects take, asked for and given back before GLib is
// touched; held in a volatile, so the request is made even though nothing uses it.
bool haveGsfRoom() {
    constexpr std::size_t kRoom = std::size_t(8) << 20;
    void* volatile room = std::malloc(kRoom);
    if (room == nullptr) return false;
    std::free(room);
    return true;
}

}  // namespace

void requireGsfRoom() {
    if (!haveGsfRoom()) throw std::bad_alloc();
}

bool prepareGsf() {
    if (!haveGsfRoom()) return false;
    initialiseGsf();
    static std::once_flag classes;
    std::call_once(classes, [] {
        // Referenced for good: a class once set up stays so for the process.
        for (const GType type : {GSF_INPUT_MEMORY_TYPE, GSF_INFILE_MSOLE_TYPE, GSF_INFILE_ZIP_TYPE,
                                 GSF_OUTFILE_MSOLE_TYPE, GSF_OUTPUT_STDIO_TYPE})
            g_type_class_ref(type);
    });
    return true;
}

}  // namespace velmora::sheet
