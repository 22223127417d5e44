#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

// Listing the tests (which ctest does at build time) needs no GUI; running them does.
int main(int argc, char **argv)
{
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QApplication> application;
    if (!listing)
        application = std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
