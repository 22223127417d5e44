#include "Exception.h"
#include "FakePlatform.h"
#include "MessageOf.h"
#include "Platform.h"
#include "QtPrinters.h"
#include "ace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString externalMessage(const std::function<void()> &call)
{
    return messageOf<EExternalException>(call);
}

TEST(AceBinding, MissingLibraryRaisesC06D007EAndIsTriedAgainEveryCall)
{
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("libace32.so"));
    FakePlatform platform;
    AceBinding binding(platform, library);
    UNSIGNED32 code = 0;

    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(externalMessage([&] { binding.AdsGetLastError(&code, nullptr, nullptr); }),
                  QStringLiteral("Externe Exception C06D007E"));
    EXPECT_EQ(platform.calls.count(QStringLiteral("LoadLibraryW(%1)").arg(library)), 2);

    // Nothing about the failure is remembered: once the library is there, calls work.
    ASSERT_TRUE(QFile::copy(QStringLiteral(ENGINE_LIBRARY), library));
    EXPECT_EQ(binding.AdsGetLastError(&code, nullptr, nullptr), 0u);
}

TEST(AceBinding, MissingFunctionRaisesC06D007FAndIsTriedAgain)
{
    FakePlatform platform;
    AceBinding binding(platform, QStringLiteral(LACKING_ENGINE_LIBRARY));
    UNSIGNED8 title[] = "t";
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(externalMessage([&] { binding.AdsShowError(title); }),
                  QStringLiteral("Externe Exception C06D007F"));
    EXPECT_EQ(platform.calls.count(QStringLiteral("GetProcAddress(AdsShowError)")), 2);

    // The library itself is bound once; the functions it has work.
    UNSIGNED16 type = 0;
    EXPECT_NE(binding.AdsGetHandleType(12345, &type), 0u);
    EXPECT_EQ(platform.calls.filter(QStringLiteral("LoadLibraryW")).size(), 1);
    EXPECT_EQ(platform.calls.count(QStringLiteral("GetProcAddress(AdsGetHandleType)")), 1);
    binding.AdsGetHandleType(12345, &type);
    EXPECT_EQ(platform.calls.count(QStringLiteral("GetProcAddress(AdsGetHandleType)")), 1);
}

TEST(AceBinding, BareNameIsFoundBesideTheExecutableFirst)
{
    // Test executables live beside the engine they were built with.
    const std::unique_ptr<Platform> platform = createNativePlatform();
    ASSERT_TRUE(QFile::exists(
        QFileInfo(platform->executablePath()).dir().filePath(AceBinding::defaultLibraryName())));
    AceBinding binding(*platform, AceBinding::defaultLibraryName());
    UNSIGNED16 type = 0;
    EXPECT_EQ(binding.AdsGetHandleType(0, &type), 6003u);
}

TEST(AceBinding, LastErrorTextOfTheEngine)
{
    UNSIGNED16 type = 0;
    ASSERT_NE(ace::AdsGetHandleType(0, &type), 0u);
    UNSIGNED32 code = 0;
    UNSIGNED8 buffer[601] = {};
    UNSIGNED16 length = 600;
    EXPECT_EQ(ace::AdsGetLastError(&code, buffer, &length), 0u);
    EXPECT_EQ(code, 6003u);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer), "Invalid handle.");
    EXPECT_EQ(length, 15);

    // A short buffer gets a cut, terminated text.
    length = 4;
    EXPECT_EQ(ace::AdsGetLastError(&code, buffer, &length), 0u);
    EXPECT_STREQ(reinterpret_cast<char *>(buffer), "Inv");
}

} // namespace
