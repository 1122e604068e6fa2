// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_text.h"

#include <gtest/gtest.h>

namespace velmora::app {
namespace {

// Each helper takes the one encoding it converts: a mix-up does not compile.
template <typename T>
concept ShownAsGbk = requires(const T& value) {
    fromGbk(value);
};
template <typename T>
concept ShownAsSource = requires(const T& value) {
    fromSource(value);
};
template <typename T>
concept ShownAsPath = requires(const T& value) {
    fromNativePath(value);
};
static_assert(ShownAsGbk<text::Text> && !ShownAsGbk<const char*> && !ShownAsGbk<text::FilePath>);
static_assert(ShownAsSource<const char*> && !ShownAsSource<text::Text> && !ShownAsSource<text::FilePath>);
static_assert(ShownAsPath<text::FilePath> && !ShownAsPath<text::Text>);

// What the clerk types or picks comes back unchanged through the core's encoding, characters GBK lacks
// included.
TEST(QtText, TextsAndFileNamesComeBackUnchanged) {
    for (const QString& value : {QStringLiteral(""), QStringLiteral("Sheet1"), QStringLiteral("发放明细 ·，"),
                                 QStringLiteral("€ 😀 ㄅ"), QStringLiteral("/tmp/表1导出.CSV")}) {
        EXPECT_EQ(fromGbk(toGbk(value)), value);
        EXPECT_EQ(fromNativePath(toNativePath(value)), value);
        EXPECT_EQ(fromSource(value.toUtf8().constData()), value);
    }
    EXPECT_EQ(toGbk(QStringLiteral("发")), "\xB7\xA2");
}

}  // namespace
}  // namespace velmora::app
