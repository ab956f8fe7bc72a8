// The tests run on an X server of their own (Xvfb), started before the
// application object so that the window system is a real one (xcb). Listing
// the tests starts nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/BatchdelApplication.h"
#include "tests/xinput/RealXSession.h"

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    std::unique_ptr<XvfbDisplay> display = StartRealX();
    // Without an X server the application still comes up, offscreen, so each
    // test can say why it did not run.
    qputenv("QT_QPA_PLATFORM", display->Running() ? "xcb" : "offscreen");
    if (display->Running()) qputenv("DISPLAY", QByteArray::fromStdString(display->Name()));
    int result = 0;
    {
        TBatchdelApplication app(argc, argv);
        TBatchdelApplication::InsertFontSubstitutions();
        result = RUN_ALL_TESTS();
    }
    return result;
}
