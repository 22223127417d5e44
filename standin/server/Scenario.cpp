#include "Scenario.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

Scenario Scenario::fromJson(const QByteArray &json)
{
    Scenario scenario;
    try {
        const nlohmann::json root = nlohmann::json::parse(json.begin(), json.end());
        if (!root.is_object())
            throw std::runtime_error("the scenario must be a JSON object");
        scenario.name = QString::fromStdString(root.value("name", scenario.name.toStdString()));
        if (root.contains("shares"))
            for (const auto &share : root.at("shares"))
                scenario.shares.append(QString::fromStdString(share.get<std::string>()));
        scenario.owner = QString::fromStdString(root.value("owner", scenario.owner.toStdString()));
        scenario.seed = root.value("seed", scenario.seed);
        if (root.contains("workstations")) {
            scenario.workstations.clear();
            for (const auto &w : root.at("workstations"))
                scenario.workstations.append(
                    {QString::fromStdString(w.value("name", std::string())),
                     QString::fromStdString(w.value("login", std::string())),
                     QString::fromStdString(w.value("application", std::string())),
                     QString::fromStdString(w.value("address", std::string())),
                     QString::fromStdString(w.value("dictionaryUser", std::string()))});
        }
        if (root.contains("faults"))
            scenario.faults = scenario.faults.changedBy(root.at("faults"));
    } catch (const nlohmann::json::exception &error) {
        throw std::runtime_error(std::string("scenario: ") + error.what());
    } catch (const std::invalid_argument &error) {
        throw std::runtime_error(std::string("scenario: ") + error.what());
    }
    return scenario;
}

bool Scenario::serves(const QString &share) const
{
    if (shares.isEmpty())
        return true;
    QString wanted = share;
    wanted.replace(QLatin1Char('/'), QLatin1Char('\\'));
    for (const QString &served : shares) {
        if (wanted.compare(served, Qt::CaseInsensitive) == 0 ||
            wanted.startsWith(served + QLatin1Char('\\'), Qt::CaseInsensitive))
            return true;
    }
    return false;
}
