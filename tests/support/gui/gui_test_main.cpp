// The main of every GUI test program: GoogleTest inside a QApplication. The offscreen platform is
// used unless the environment names another, so the tests never need a display. The programs run
// with a home of their own, so no test reaches the user's trash or thumbnail cache.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/private_home.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const vyr::test::PrivateHome home;
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
