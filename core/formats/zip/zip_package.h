// SPDX-License-Identifier: GPL-3.0-or-later
// The zip container of the XML-based workbook formats: finds parts by name and streams them out, refusing
// parts that would inflate far beyond what the file can honestly hold.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::package {

// What became of reading a part. Damaged: its compressed data cannot be inflated; Duplicate: two entries
// hold its name; BadXml: its text is no XML the parser accepts; Refused: the handler it was parsed into
// refused the content and knows why.
enum class PartStatus { Ok, Missing, TooLarge, Damaged, Duplicate, BadXml, Refused };

class ZipPackage {
public:
    ~ZipPackage();
    ZipPackage(ZipPackage&&) noexcept;
    ZipPackage& operator=(ZipPackage&&) noexcept;

    // Opens the zip held in `bytes`, which must outlive the package. nullopt when it is no readable zip.
    static std::optional<ZipPackage> open(std::string_view bytes);

    // True when the part exists. Part names match without regard to case, since writers and the
    // relationships that name the parts disagree about it; an entry of exactly the name comes first.
    // A part held by two entries of one name (or, lacking an exact one, by several differing only in
    // case) exists but reads as Duplicate: readers disagree on which entry to take.
    bool has(std::string_view partName) const;
    // Ok, Missing or Duplicate, as reading the part would begin.
    PartStatus find(std::string_view partName) const;
    // The part's inflated size as its entry declares it; nullopt when there is no such part.
    std::optional<std::size_t> size(std::string_view partName) const;
    // Hands the part's inflated bytes to `consume` in chunks; `consume` returns false to stop early
    // (the status is then Ok). A part whose inflated size exceeds the bound is refused before
    // anything is inflated.
    PartStatus read(std::string_view partName,
                    const std::function<bool(std::string_view chunk)>& consume) const;
    // The whole part, for the small ones (relationships, manifests).
    PartStatus readAll(std::string_view partName, std::string& out) const;

    // The most a part may inflate to: a fixed multiple of the file's size, and never beyond a fixed cap.
    std::size_t partSizeLimit() const { return m_partSizeLimit; }

    // The same zip opened once more, for another thread to read: a package is read by one at a time.
    std::optional<ZipPackage> reopen() const { return open(m_bytes); }

private:
    struct Handle;
    ZipPackage(std::unique_ptr<Handle> handle, std::string_view bytes, std::size_t partSizeLimit);
    std::unique_ptr<Handle> m_handle;
    std::string_view m_bytes;
    std::size_t m_partSizeLimit;
};

// True for a compound document holding an "EncryptedPackage" stream: the way a password-protected
// zip-based workbook is stored. Its directory entries alone decide, together with "EncryptionInfo",
// where a misstated size keeps the stream itself from being opened.
bool isEncryptedPackage(std::string_view bytes);

}  // namespace velmora::package
