// Main of the widget tests: a QApplication on the offscreen platform, or, for screenshot tests
// (VANTOR_WIDGET_TEST_XVFB), on an Xvfb of the test's own started before the application.
#include "ui/kit/fonts.h"
#include "xvfb.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

// The desktop's message bus library keeps one buffer for the life of the process (Qt reaches it
// on X11 for the notification area); not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef VANTOR_WIDGET_TEST_XVFB
    // Listing the tests needs no X server.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    auto xvfb = std::make_unique<vantor::testing::Xvfb>();
    if (!xvfb->start()) {
        std::fprintf(stderr, "Xvfb did not start: %s\n", xvfb->error().c_str());
        return 1;
    }
    qputenv("DISPLAY", xvfb->display().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        vantor::ui::installFonts();
        result = RUN_ALL_TESTS();
    }
    return result;
}
