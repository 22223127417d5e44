// What the stand-in server's results hold of the synthetic users' rows: one copy, however
// the faults reshape the results and however the count changes while results stay open.
// rowBytesAlive() counts every row image the server's results hold.

#include "Procedures.h"
#include "RowImage.h"

#include <QMap>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

const QString UsersSql = QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();");

class Results {
public:
    Results()
    {
        ConnectionInfo live;
        live.number = 1;
        live.workstation = QStringLiteral("WS");
        m_connections.insert(live.number, live);
    }

    std::shared_ptr<ResultBuilder> execute(Faults &faults)
    {
        ProcedureOutcome outcome =
            m_procedures.execute(UsersSql, {}, ServerState{m_connections, 0}, faults);
        if (!outcome.result)
            throw std::runtime_error(outcome.text.toStdString());
        return outcome.result;
    }

private:
    Scenario m_scenario;
    QMap<quint32, ConnectionInfo> m_connections;
    Procedures m_procedures{m_scenario};
};

std::vector<std::uint8_t> rows(const ResultBuilder &result, std::uint32_t first,
                               std::uint32_t count)
{
    std::vector<std::uint8_t> bytes(std::size_t(count) * result.recordLength());
    result.copyRows(first, count, bytes.data());
    return bytes;
}

const wire::Column *columnNamed(const ResultBuilder &result, const std::string &name)
{
    for (const wire::Column &c : result.columns())
        if (QString::fromStdString(c.name).compare(QString::fromStdString(name),
                                                   Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

constexpr int ManyUsers = 20000;

TEST(StandinResults, ShapeFaultsHoldNoCopyOfTheRowsAndReshapeTheRowsRead)
{
    const struct {
        const char *faults;
        const char *shows;
    } cases[] = {
        {R"({"dropFields":{"sp_mgGetConnectedUsers":["TSAddress","LockCount"]}})",
         "columns left out, one of them the last"},
        {R"({"dropFields":{"sp_mgGetConnectedUsers":["UserName"]}})", "the first column left out"},
        {R"({"lowerCaseFields":["sp_mgGetConnectedUsers"]})", "names changed, rows as they were"},
        {R"({"unknownTypeColumn":["sp_mgGetConnectedUsers"]})", "a column of its own at the end"},
        {R"({"dropFields":{"sp_mgGetConnectedUsers":["ApplicationID"]},
             "unknownTypeColumn":["sp_mgGetConnectedUsers"],
             "lowerCaseFields":["sp_mgGetConnectedUsers"],
             "columnLengths":{"sp_mgGetConnectedUsers":{"address":4}}})",
         "all of them, and a declared length its rows do not have"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        Results results;
        Faults plain;
        plain.syntheticUsers = ManyUsers;
        const std::shared_ptr<ResultBuilder> unshaped = results.execute(plain);
        const std::size_t block = std::size_t(unshaped->rowCount()) * unshaped->recordLength();
        Faults faults = plain.changedBy(nlohmann::json::parse(c.faults));
        const std::size_t before = rowBytesAlive();
        std::vector<std::shared_ptr<ResultBuilder>> held;
        for (int i = 0; i < 4; ++i)
            held.push_back(results.execute(faults));
        EXPECT_LT(rowBytesAlive() - before, block / 20)
            << "four reshaped results hold " << rowBytesAlive() - before << " bytes of rows";

        // Row by row, each column holds the bytes of the column of that name; the server's
        // own column is null. (The rows before the synthetic users' change with each call;
        // the second place reads across two of their blocks.)
        const ResultBuilder &shaped = *held.back();
        ASSERT_EQ(shaped.rowCount(), unshaped->rowCount());
        const std::uint32_t firstSynthetic = unshaped->rowCount() - ManyUsers;
        for (const std::uint32_t first : {firstSynthetic, firstSynthetic + 4095,
                                          unshaped->rowCount() / 2, unshaped->rowCount() - 3}) {
            const std::vector<std::uint8_t> got = rows(shaped, first, 3);
            const std::vector<std::uint8_t> source = rows(*unshaped, first, 3);
            for (std::uint32_t row = 0; row < 3; ++row)
                for (std::size_t k = 0; k < shaped.columns().size(); ++k) {
                    // Declared lengths aside, the rows keep the layout of their columns.
                    const std::uint32_t offset = shaped.columns()[k].offset;
                    const std::uint32_t end = k + 1 < shaped.columns().size()
                                                  ? shaped.columns()[k + 1].offset
                                                  : shaped.recordLength();
                    const std::uint8_t *value =
                        got.data() + std::size_t(row) * shaped.recordLength() + offset;
                    const wire::Column *from = columnNamed(*unshaped, shaped.columns()[k].name);
                    SCOPED_TRACE(shaped.columns()[k].name + " of row " +
                                 std::to_string(first + row));
                    if (!from) {
                        EXPECT_EQ(std::vector<std::uint8_t>(value, value + end - offset),
                                  std::vector<std::uint8_t>(end - offset, 0));
                        continue;
                    }
                    const std::uint8_t *expected =
                        source.data() + std::size_t(row) * unshaped->recordLength() + from->offset;
                    EXPECT_EQ(std::vector<std::uint8_t>(value, value + end - offset),
                              std::vector<std::uint8_t>(expected, expected + end - offset));
                }
        }
    }
}

TEST(StandinResults, ResultsOpenWhileSyntheticUsersChangeShareTheirRows)
{
    const struct {
        std::vector<int> counts;
        const char *shows;
    } cases[] = {
        {{20000, 19999, 19998, 19997, 19996, 19995}, "one user fewer each time"},
        {{5000, 8000, 11000, 14000, 17000, 20000}, "more users each time"},
        {{20000, 1000, 20000, 1000, 20000, 1000}, "back and forth"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        Results results;
        const std::size_t before = rowBytesAlive();
        Faults faults;
        std::vector<std::shared_ptr<ResultBuilder>> held;
        std::uint32_t recordLength = 0;
        for (const int count : c.counts) {
            faults.syntheticUsers = count;
            held.push_back(results.execute(faults));
            recordLength = held.back()->recordLength();
        }
        // Each result still shows the users of its own count.
        for (std::size_t i = 0; i < held.size(); ++i)
            EXPECT_EQ(held[i]->rowCount() - held.front()->rowCount(),
                      std::uint32_t(c.counts[i] - c.counts.front()));
        // Every result's rows are a beginning of the largest one's, which is held once.
        const int largest = *std::max_element(c.counts.begin(), c.counts.end());
        EXPECT_LT(rowBytesAlive() - before, std::size_t(largest) * recordLength * 5 / 4)
            << "results of " << c.counts.size() << " counts hold "
            << (rowBytesAlive() - before) / recordLength << " rows";

        // When no result needs them any more, the rows go.
        held.clear();
        faults.syntheticUsers = 0;
        results.execute(faults);
        EXPECT_LT(rowBytesAlive() - before, std::size_t(100) * recordLength);
    }
}

} // namespace
