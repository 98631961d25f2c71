#include <QGuiApplication>

#include <gtest/gtest.h>

// Core tests need a GUI application for fonts and painting, never a window.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
