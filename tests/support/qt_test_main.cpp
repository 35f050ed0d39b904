#include <QApplication>
#include <gtest/gtest.h>

// Models and the run controller need an application object, and queued signals its event loop.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
