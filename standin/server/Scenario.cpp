#include "Scenario.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace {

void readFaults(const nlohmann::json &object, Faults &faults)
{
    if (!object.is_object())
        throw std::runtime_error("faults must be an object");
    for (const auto &[key, value] : object.items()) {
        if (key == "refuseConnects")
            faults.refuseConnects = value.get<int>();
        else if (key == "delayMs")
            faults.delayMs = value.get<int>();
        else if (key == "closeMidAnswer")
            faults.closeMidAnswer = value.get<int>();
        else
            faults.procedures[key] = value;
    }
}

} // namespace

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
            readFaults(root.at("faults"), scenario.faults);
    } catch (const nlohmann::json::exception &error) {
        throw std::runtime_error(std::string("scenario: ") + error.what());
    }
    return scenario;
}

void Scenario::applyControl(const QByteArray &json)
{
    try {
        readFaults(nlohmann::json::parse(json.begin(), json.end()), faults);
    } catch (const nlohmann::json::exception &error) {
        throw std::runtime_error(std::string("control: ") + error.what());
    }
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
