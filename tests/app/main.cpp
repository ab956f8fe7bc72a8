#include <gtest/gtest.h>

#include "app/BatchdelApplication.h"

int main(int argc, char **argv) {
    // Offscreen unless the caller chose a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TBatchdelApplication app(argc, argv);
    TBatchdelApplication::InsertFontSubstitutions();
    return RUN_ALL_TESTS();
}
