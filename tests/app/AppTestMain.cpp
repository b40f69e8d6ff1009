// The window tests need one application object for the whole run; it is the
// program's own, so errors escaping event handlers are reported as in the program.
#include <gtest/gtest.h>

#include "app/ErrorReport.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    brevant::TApplication app(argc, argv);
    brevant::InstallDataLayers();
    return RUN_ALL_TESTS();
}
