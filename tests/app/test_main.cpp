// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the window tests inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // Test discovery runs the binary too, so the platform is set here as well as by ctest.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
