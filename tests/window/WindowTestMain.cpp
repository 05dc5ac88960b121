#include <QApplication>
#include <gtest/gtest.h>

#include "imaging/ImageTools.h"

int main(int argc, char** argv) {
    // The window tests never need a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Selecting a row reads the image, so the image library is set up as in the application.
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
