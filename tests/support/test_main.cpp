// Test main: creates the Qt application object for the layers that need one, then runs GoogleTest.
#include <gtest/gtest.h>

#ifdef VANTOR_TEST_WITH_QT
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef VANTOR_TEST_WITH_QT
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
