// Test main for the Qt layer: every test process gets its own settings folder, a watch over its
// message boxes, and a QApplication on whatever platform QT_QPA_PLATFORM names (offscreen or xcb).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "tests/linux/ui/test_support.h"

namespace {

// The offscreen platform notes on every window what it cannot do (size hints, raising); that is
// the test platform talking, not the program.
QtMessageHandler standardHandler = nullptr;

void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QStringLiteral("This plugin does not support"))) return;
    if (standardHandler != nullptr) {
        standardHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // CTest lists the tests at build time, where there may be no display at all.
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

    uitest::PrepareProcessEnvironment();
    standardHandler = qInstallMessageHandler(QuietOffscreenNotes);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    uitest::WatchMessageBoxes();
    return RUN_ALL_TESTS();
}
