// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fileio/files.h"
#include "reconcile/report.h"
#include "support/read_file.h"
#include "support/this_process.h"
#include "support/utf8_path.h"
#include "text/encoding.h"

namespace velmora::exporting {
namespace {

text::Text gbk(const char* utf8) { return text::gbkFromUtf8(utf8); }

TEST(WriteReport, LandsInTheFolderWhateverTheUnitLineHolds) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("velmora-report-" + testsupport::processTag());
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(writeReport(text::FilePath(folder.string()), gbk("../某单位/2013年"), "S", "", "").ok());
    const std::string written = testsupport::utf8Of(folder / u8".._某单位_2013年_待核对.txt");
    std::string bytes;
    ASSERT_TRUE(testsupport::readWholeFile(written, bytes));
    EXPECT_EQ(bytes, reconcile::reportContent("S", "", ""));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    // A second export after the same comparison writes the same bytes again.
    ASSERT_TRUE(writeReport(text::FilePath(folder.string()), gbk("../某单位/2013年"), "S", "", "").ok());
    std::string again;
    testsupport::readWholeFile(written, again);
    EXPECT_EQ(again, bytes);
    EXPECT_FALSE(writeReport(text::FilePath((folder / "missing").string()), "u", "S", "", "").ok());
    fs::remove_all(folder);
}

}  // namespace
}  // namespace velmora::exporting
