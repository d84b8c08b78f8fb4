#include <QCoreApplication>
#include <gtest/gtest.h>

// The lock file names the program that holds it, which QCoreApplication knows.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
