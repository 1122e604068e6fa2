// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_progress.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "text/encoding.h"

namespace velmora::app {
namespace {

TEST(WindowProgress, ShowsPositionsOutsideTheRangeAtTheNearerEnd) {
    struct Case {
        int minimum;
        int maximum;
        int position;
        int shown;
    };
    const Case cases[] = {
        {1, 34, 34, 34}, {1, 34, 0, 1}, {1, 34, 99, 34}, {50, 10, 7, 50}, {1, 0, 0, 1}, {0, 100, 1, 1},
    };
    QProgressBar bar;
    QLabel status;
    WindowProgress progress(bar, status, {});
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.minimum << ".." << c.maximum << " at " << c.position);
        progress.setMinimum(c.minimum);
        progress.setMaximum(c.maximum);
        progress.setPosition(c.position);
        progress.showNow();
        EXPECT_EQ(bar.value(), c.shown);
        EXPECT_EQ(progress.position(), c.position);
    }
}

TEST(WindowProgress, MirrorsTheStatusText) {
    QProgressBar bar;
    QLabel status;
    WindowProgress progress(bar, status, {});
    progress.setStatus(text::gbkFromUtf8("正在进行,请稍候……"));
    EXPECT_EQ(status.text(), QStringLiteral("正在进行,请稍候……"));
    progress.setStatus({});
    EXPECT_EQ(status.text(), QString());
}

}  // namespace
}  // namespace velmora::app
