#include "FakeDataSet.h"
#include "QtPrinters.h"
#include "ace.h"
#include "adscnnct.h"
#include "adsdata.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(EADSDatabaseError, MessageAndContextWithAndWithoutDataSet)
{
    const DataSetContext usage{QStringLiteral("qUsageInfo"), QStringLiteral("dlgRemoteInfo"),
                               QStringLiteral("db"), QStringLiteral("\\\\srv\\share"),
                               QStringLiteral("tbl")};
    const EADSDatabaseError withDataSet(usage, 7200, QStringLiteral("Server kaputt"));
    EXPECT_EQ(withDataSet.message(), QStringLiteral("qUsageInfo: Server kaputt"));
    EXPECT_EQ(withDataSet.ACEErrorCode(), 7200u);
    EXPECT_EQ(withDataSet.DataSetInstanceName(), QStringLiteral("qUsageInfo"));
    EXPECT_EQ(withDataSet.DataSetInstanceOwner(), QStringLiteral("dlgRemoteInfo"));
    EXPECT_EQ(withDataSet.DatabaseName(), QStringLiteral("db"));
    EXPECT_EQ(withDataSet.DatabasePath(), QStringLiteral("\\\\srv\\share"));
    EXPECT_EQ(withDataSet.TableName(), QStringLiteral("tbl"));
    EXPECT_STREQ(withDataSet.className(), "EADSDatabaseError");

    const EADSDatabaseError without(std::nullopt, 7200, QStringLiteral("Server kaputt"));
    EXPECT_EQ(without.message(), QStringLiteral("Server kaputt"));
    EXPECT_TRUE(without.DataSetInstanceName().isEmpty());
    EXPECT_TRUE(without.DatabasePath().isEmpty());

    EXPECT_EQ(EADSDatabaseError(DataSetContext{}, 1, QStringLiteral("x")).message(),
              QStringLiteral("x"));
}

TEST(EADSDatabaseError, ADataSetHandsItsValues)
{
    QStringList journal;
    QObject window;
    window.setObjectName(QStringLiteral("dlgRemoteInfo"));
    FakeDataSet query(QStringLiteral("qUsageInfo"), journal, &window);
    const DataSetContext context = query.errorContext();
    EXPECT_EQ(context.name, QStringLiteral("qUsageInfo"));
    EXPECT_EQ(context.owner, QStringLiteral("dlgRemoteInfo"));
    EXPECT_TRUE(context.databaseName.isEmpty());
    EXPECT_EQ(context.databasePath, QStringLiteral("\\\\srv\\share"));
    EXPECT_EQ(context.tableName, QStringLiteral("table-of-qUsageInfo"));
    EXPECT_TRUE(FakeDataSet(QString(), journal).errorContext().owner.isEmpty());
    EXPECT_FALSE(bErrorUnderConstruction);
}

TEST(EADSDatabaseError, NativeErrorFromTheMessage)
{
    const struct {
        const char *message;
        quint32 native;
    } cases[] = {
        {"ERROR 7200: AQE Error: State = 42S02; NativeError = 2121; [iAnywhere] table", 2121},
        {"error 7200: something nativeerror = 17", 17},
        {"Error 7200: x NATIVEERROR = -5; rest", static_cast<quint32>(-5)},
        {"NativeError = 2121; without the marker", 0},
        {"ERROR 7200: NativeError = abc;", 0},
        {"ERROR 7200: no native code", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        const EADSDatabaseError error(std::nullopt, 7200, QString::fromUtf8(c.message));
        EXPECT_EQ(error.SQLErrorCode(), c.native);
        EXPECT_EQ(error.message(), QString::fromUtf8(c.message));
    }
}

TEST(EADSDatabaseError, ColumnNameOnlyForTheColumnCodesWithADataSet)
{
    const QString message = QStringLiteral("Value too long for column \"TableName\" here");
    const DataSetContext q{QStringLiteral("q"), {}, {}, {}, {}};
    for (quint32 code : {5147u, 5148u, 5149u})
        EXPECT_EQ(EADSDatabaseError(q, code, message).ColumnName(), QStringLiteral("TableName"));
    EXPECT_TRUE(EADSDatabaseError(q, 5150, message).ColumnName().isEmpty());
    EXPECT_TRUE(EADSDatabaseError(std::nullopt, 5148, message).ColumnName().isEmpty());
    EXPECT_TRUE(EADSDatabaseError(q, 5148, QStringLiteral("Column \"X\"")).ColumnName().isEmpty());
}

// A dataset whose path cannot be told: describing an error must not fail with it.
class PathlessDataSet : public FakeDataSet {
public:
    using FakeDataSet::FakeDataSet;
    QString DatabasePath() const override
    {
        // Raised while the outer error's values are gathered: gets none, then dropped.
        throw EADSDatabaseError(errorContext(), 1, QStringLiteral("inner"));
    }
};

// A dataset that asks the engine for its path, and the engine fails.
class EnginePathDataSet : public FakeDataSet {
public:
    using FakeDataSet::FakeDataSet;
    QString DatabasePath() const override
    {
        UNSIGNED16 type = 0;
        RaiseOnAceError(this, ace::AdsGetHandleType(4713, &type));
        return QStringLiteral("asked");
    }
};

TEST(EADSDatabaseError, FailureWhileDescribingKeepsTheOuterError)
{
    QStringList journal;
    QObject window;
    window.setObjectName(QStringLiteral("dlgRemoteInfo"));
    PathlessDataSet query(QStringLiteral("qBroken"), journal, &window);
    const EADSDatabaseError error(query.errorContext(), 5000,
                                  QStringLiteral("ERROR 7200: x NativeError = 9;"));
    EXPECT_EQ(error.message(), QStringLiteral("qBroken: ERROR 7200: x NativeError = 9;"));
    EXPECT_EQ(error.DataSetInstanceName(), QStringLiteral("qBroken"));
    EXPECT_EQ(error.DataSetInstanceOwner(), QStringLiteral("dlgRemoteInfo"));
    EXPECT_EQ(error.SQLErrorCode(), 9u);
    EXPECT_TRUE(error.DatabasePath().isEmpty());
    EXPECT_TRUE(error.TableName().isEmpty());
    EXPECT_FALSE(bErrorUnderConstruction);

    // An engine failure met while the values are gathered is not raised; outside, it is.
    EnginePathDataSet asking(QStringLiteral("qAsking"), journal);
    EXPECT_EQ(asking.errorContext().databasePath, QStringLiteral("asked"));
    EXPECT_EQ(asking.errorContext().tableName, QStringLiteral("table-of-qAsking"));
    EXPECT_THROW(asking.DatabasePath(), EADSDatabaseError);
    EXPECT_FALSE(bErrorUnderConstruction);
}

TEST(RaiseOnAceError, ZeroRaisesNothingAndAFailureCarriesTheEngineText)
{
    UNSIGNED16 type = 0;
    const UNSIGNED32 code = ace::AdsGetHandleType(4711, &type);
    ASSERT_NE(code, 0u);
    EXPECT_NO_THROW(RaiseOnAceError(nullptr, 0));

    QStringList journal;
    FakeDataSet query(QStringLiteral("qUsageInfo"), journal);
    try {
        RaiseOnAceError(&query, code);
        FAIL() << "no exception";
    } catch (const EADSDatabaseError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("qUsageInfo: Invalid handle."));
        EXPECT_EQ(error.ACEErrorCode(), 6003u);
    }
    try {
        RaiseOnAceError(nullptr, code);
        FAIL() << "no exception";
    } catch (const EADSDatabaseError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Invalid handle."));
    }
}

TEST(RaiseOnAceError, FlagIsPerThread)
{
    bErrorUnderConstruction = true;
    bool other = true;
    std::thread([&] { other = bErrorUnderConstruction; }).join();
    EXPECT_FALSE(other);
    bErrorUnderConstruction = false;
}

TEST(AdsError, MessageIsTheEngineText)
{
    UNSIGNED16 type = 0;
    const UNSIGNED32 code = ace::AdsGetHandleType(4712, &type);
    const AdsError error(code);
    EXPECT_EQ(error.message(), QStringLiteral("Invalid handle."));
    EXPECT_STREQ(error.className(), "AdsError");
}

} // namespace
