// SPDX-License-Identifier: GPL-3.0-or-later
// libgsf as every reader and writer uses it: set up once for the process, its objects let go of in one
// way, and the compound documents it opens told by their first bytes.
#pragma once

#include <glib-object.h>

#include <string_view>
#include <utility>

namespace velmora::sheet {

// Initialises libgsf and quiets its complaints about damaged files, which every caller reports as a
// status of its own. Safe to call from several threads at once: the readers of both tables may start
// together, and libgsf must be initialised exactly once.
void initialiseGsf();

// initialiseGsf(), and the classes of every kind of libgsf object the readers and the writer make set
// up too, once, if memory allows: GLib ends the process when one of its allocations fails, so its
// set-up must not first happen in a reader or writer that meets a memory limit. False, touching
// nothing of GLib, when a few megabytes cannot be had.
bool prepareGsf();

// Throws std::bad_alloc unless a few megabytes can be had at this moment: called before libgsf makes
// objects for a reader, so that near a memory limit the reader fails as out of memory rather than
// GLib ending the process (it may still, if another thread takes the room meanwhile).
void requireGsfRoom();

// The first bytes of a compound document: the container of an .xls workbook, and of a zip-based one
// saved with a password.
inline constexpr std::string_view kCompoundDocumentSignature{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};

// Holds one reference to a GObject (a libgsf input, file or output) and drops it with the holder.
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

}  // namespace velmora::sheet
