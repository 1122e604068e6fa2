// SPDX-License-Identifier: GPL-3.0-or-later
// Minimal writers of the zip-based formats over libgsf, for the benchmark's input only.
#include "bench/bench_packages.h"

#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <map>
#include <utility>

#include "text/encoding.h"

namespace velmora::bench {
namespace {

// Escapes the characters XML gives a meaning.
std::string xmlText(const text::Text& gbk) {
    std::string out;
    for (const char c : text::utf8FromGbk(gbk)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string columnName(std::size_t column) {
    std::string name;
    for (std::size_t c = column + 1; c > 0; c = (c - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
    return name;
}

// A zip being written: parts by path, folders made as needed.
class ZipWriter {
public:
    explicit ZipWriter(const std::string& path) {
        gsf_init();
        GError* error = nullptr;
        m_file = gsf_output_stdio_new(path.c_str(), &error);
        g_clear_error(&error);
        if (m_file) m_zip = gsf_outfile_zip_new(m_file, &error);
        g_clear_error(&error);
    }
    ~ZipWriter() {
        for (auto& [name, folder] : m_folders) g_object_unref(folder);
        if (m_zip) g_object_unref(m_zip);
        if (m_file) g_object_unref(m_file);
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool add(const std::string& path, const std::string& bytes, bool stored = false) {
        if (!m_zip) return false;
        GsfOutfile* folder = m_zip;
        std::string folderPath;
        std::size_t start = 0;
        for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
            folderPath = path.substr(0, slash);
            auto& known = m_folders[folderPath];
            if (!known)
                known = GSF_OUTFILE(
                    gsf_outfile_new_child(folder, path.substr(start, slash - start).c_str(), TRUE));
            folder = known;
            start = slash + 1;
        }
        GsfOutput* part =
            gsf_outfile_new_child_full(folder, path.substr(start).c_str(), FALSE, "compression-level",
                                       stored ? GSF_ZIP_STORED : GSF_ZIP_DEFLATED, nullptr);
        if (!part) return false;
        const bool written =
            gsf_output_write(part, bytes.size(), reinterpret_cast<const guint8*>(bytes.data())) &&
            gsf_output_close(part);
        g_object_unref(part);
        return written;
    }

    bool close() {
        bool closed = m_zip != nullptr;
        // Folders close inside out: the longest paths first.
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it)
            closed = gsf_output_close(GSF_OUTPUT(it->second)) && closed;
        return m_zip && gsf_output_close(GSF_OUTPUT(m_zip)) && closed && gsf_output_close(m_file);
    }

private:
    GsfOutput* m_file = nullptr;
    GsfOutfile* m_zip = nullptr;
    std::map<std::string, GsfOutfile*> m_folders;
};

}  // namespace

bool writeXlsx(const std::string& path, const std::vector<BenchRow>& rows) {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    std::map<text::Text, std::size_t> indexes;
    std::vector<const text::Text*> strings;
    std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"" +
                        main + "\"><sheetData>";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string row = std::to_string(r + 1);
        sheet += "<row r=\"" + row + "\">";
        std::size_t column = 0;
        for (const text::Text& text : rows[r].texts) {
            const auto [it, added] = indexes.emplace(text, strings.size());
            if (added) strings.push_back(&it->first);
            sheet += "<c r=\"" + columnName(column++) + row + "\" t=\"s\"><v>" + std::to_string(it->second) +
                     "</v></c>";
        }
        for (const double number : rows[r].numbers)
            sheet += "<c r=\"" + columnName(column++) + row + "\"><v>" + numberText(number) + "</v></c>";
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    std::string shared = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"" +
                         main + "\" uniqueCount=\"" + std::to_string(strings.size()) + "\">";
    for (const text::Text* text : strings) shared += "<si><t>" + xmlText(*text) + "</t></si>";
    shared += "</sst>";

    ZipWriter zip(path);
    return zip.add(
               "[Content_Types].xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/"
               "package/2006/content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package."
               "relationships+xml\"/></Types>") &&
           zip.add("_rels/.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"" + pkg +
                                      "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                                      "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>") &&
           zip.add("xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"" + main + "\" xmlns:r=\"" +
                                          rel +
                                          "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>"
                                          "</sheets></workbook>") &&
           zip.add("xl/_rels/workbook.xml.rels",
                   "<?xml version=\"1.0\"?><Relationships xmlns=\"" + pkg +
                       "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                       "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
                       rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>") &&
           zip.add("xl/sharedStrings.xml", shared) && zip.add("xl/worksheets/sheet1.xml", sheet) &&
           zip.close();
}

bool writeOds(const std::string& path, const std::vector<BenchRow>& rows) {
    const std::string mime = "application/vnd.oasis.opendocument.spreadsheet";
    std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.3\"><office:body>"
        "<office:spreadsheet><table:table table:name=\"Sheet1\">";
    for (const BenchRow& row : rows) {
        content += "<table:table-row>";
        for (const text::Text& text : row.texts)
            content += "<table:table-cell office:value-type=\"string\"><text:p>" + xmlText(text) +
                       "</text:p></table:table-cell>";
        for (const double number : row.numbers) {
            const std::string value = numberText(number);
            content += "<table:table-cell office:value-type=\"float\" office:value=\"" + value +
                       "\"><text:p>" + value + "</text:p></table:table-cell>";
        }
        content += "</table:table-row>";
    }
    // Spreadsheet programs end a table with the rest of its rows, empty.
    content += "<table:table-row table:number-rows-repeated=\"" + std::to_string(1048576 - rows.size()) +
               "\"><table:table-cell table:number-columns-repeated=\"1024\"/></table:table-row>"
               "</table:table></office:spreadsheet></office:body></office:document-content>";
    ZipWriter zip(path);
    return zip.add("mimetype", mime, true) && zip.add("content.xml", content) &&
           zip.add("META-INF/manifest.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
                   "xmlns:manifest=\"urn:oasis:names:"
                   "tc:opendocument:xmlns:manifest:1.0\"><manifest:file-entry manifest:full-path=\"/\" "
                   "manifest:media-type=\"" +
                       mime +
                       "\"/><manifest:file-entry manifest:full-path=\"content.xml\" "
                       "manifest:media-type=\"text/xml\"/></manifest:manifest>") &&
           zip.close();
}

}  // namespace velmora::bench
