// Main of every GUI test suite: Qt's offscreen platform unless a display was
// asked for, an isolated configuration, one QApplication for all tests, with
// the Chinese font names the program sets up.
#include "app/qtsetup.h"
#include "platform/fontnames.h"
#include "support/test_env.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testenv::isolate();
    QApplication app(argc, argv);
    app::installChineseFontSubstitutions();
    platform::registerChineseFontNames();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
