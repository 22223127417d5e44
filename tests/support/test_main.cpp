#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

#ifdef QUELLMARK_GUI_TESTS
#include <QApplication>
#endif

namespace {

// A failure outside any test (a suite's set-up) ends the run at once: GoogleTest would
// report the suite's tests as skipped, and skipped tests would pass unnoticed.
// (UnitTest::current_test_info() would deadlock here: the result is reported under its lock.)
class SuiteFailureIsFatal : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override { m_inTest = true; }
    void OnTestEnd(const ::testing::TestInfo &) override { m_inTest = false; }
    void OnTestPartResult(const ::testing::TestPartResult &result) override
    {
        if (result.failed() && !m_inTest) {
            std::fprintf(stderr, "%s:%d: failure outside a test: %s\n",
                         result.file_name() ? result.file_name() : "?", result.line_number(),
                         result.message());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
    bool m_inTest = false;
};

} // namespace

int main(int argc, char **argv)
{
#ifndef _WIN32
    // Every test runs offscreen, in the same locale, whatever the caller's environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
#endif
    // Quellmark's texts in German unless a test asks otherwise; the programs tests start
    // inherit it.
#ifdef _WIN32
    if (!std::getenv("QUELLMARK_LANG"))
        _putenv_s("QUELLMARK_LANG", "de");
#else
    setenv("QUELLMARK_LANG", "de", 0);
#endif
    // As the program's application object does: the engine speaks the locale's encoding.
    std::setlocale(LC_ALL, "");
    // Listing the tests (which ctest does at build time) needs no GUI; running them does.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SuiteFailureIsFatal);
#ifdef QUELLMARK_GUI_TESTS
    std::unique_ptr<QApplication> application;
    if (!listing)
        application = std::make_unique<QApplication>(argc, argv);
#else
    (void)listing;
#endif
    return RUN_ALL_TESTS();
}
