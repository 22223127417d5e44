#include "Faults.h"

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void refuse(const std::string &key, const std::string &why)
{
    throw std::invalid_argument("fault \"" + key + "\": " + why);
}

int count(const std::string &key, const nlohmann::json &value, int lowest, int highest)
{
    if (!value.is_number_integer())
        refuse(key, "a whole number is needed");
    // Beyond the signed range a number is kept unsigned; read as signed it would wrap.
    const bool huge = value.is_number_unsigned() &&
                      value.get<unsigned long long>() > static_cast<unsigned long long>(highest);
    const long long number = huge ? highest : value.get<long long>();
    if (huge || number < lowest || number > highest)
        refuse(key,
               "must lie between " + std::to_string(lowest) + " and " + std::to_string(highest));
    return int(number);
}

QString text(const std::string &key, const nlohmann::json &value)
{
    if (!value.is_string())
        refuse(key, "a text is needed");
    return QString::fromStdString(value.get<std::string>());
}

QStringList names(const std::string &key, const nlohmann::json &value)
{
    if (!value.is_array())
        refuse(key, "a list of names is needed");
    QStringList list;
    for (const auto &item : value)
        list.append(text(key, item).toLower());
    return list;
}

void requireObject(const std::string &key, const nlohmann::json &value)
{
    if (!value.is_object())
        refuse(key, "an object is needed");
}

std::optional<std::int64_t> bigCount(const std::string &key, const nlohmann::json &value)
{
    if (value.is_null())
        return std::nullopt;
    if (!value.is_number_integer() ||
        (value.is_number_unsigned() && value.get<unsigned long long>() > 0x7FFFFFFFFFFFFFFFull))
        refuse(key, "a whole number of 64 bits or null is needed");
    return value.get<std::int64_t>();
}

// A name as text, or as its raw bytes: a list of numbers from 0 to 255.
QByteArray nameBytes(const std::string &key, const nlohmann::json &value)
{
    if (value.is_string())
        return QByteArray::fromStdString(value.get<std::string>());
    if (!value.is_array())
        refuse(key, "a text or a list of bytes is needed");
    QByteArray bytes;
    for (const auto &byte : value)
        bytes.append(char(count(key, byte, 0, 255)));
    return bytes;
}

QList<Faults::UsageRow> usageRowsOf(const std::string &key, const nlohmann::json &value)
{
    if (!value.is_array())
        refuse(key, "a list of rows is needed");
    QList<Faults::UsageRow> rows;
    for (const auto &item : value) {
        requireObject(key, item);
        Faults::UsageRow row;
        for (const auto &[field, entry] : item.items()) {
            const std::string where = key + "." + field;
            if (field == "name")
                row.name = nameBytes(where, entry);
            else if (field == "inUse")
                row.inUse = bigCount(where, entry);
            else if (field == "maxUsed")
                row.maxUsed = bigCount(where, entry);
            else if (field == "configured")
                row.configured = bigCount(where, entry);
            else if (field == "rejected")
                row.rejected = bigCount(where, entry);
            else
                refuse(key, "unknown key \"" + field + "\"");
        }
        rows.append(row);
    }
    return rows;
}

} // namespace

Faults Faults::changedBy(const nlohmann::json &changes) const
{
    if (!changes.is_object())
        throw std::invalid_argument("faults must be a JSON object");
    Faults next = *this;
    if (changes.contains("reset")) {
        if (!changes.at("reset").is_boolean())
            refuse("reset", "true or false is needed");
        if (changes.at("reset").get<bool>())
            next = Faults();
    }
    constexpr int Million = 1000000;
    for (const auto &[key, value] : changes.items()) {
        if (key == "reset")
            continue;
        if (key == "refuseConnects") {
            next.refuseConnects = count(key, value, 0, Million);
        } else if (key == "delayMs") {
            next.delayMs = count(key, value, 0, 60000);
        } else if (key == "closeMidAnswer") {
            next.closeMidAnswer = count(key, value, 0, Million);
        } else if (key == "slowMs") {
            next.slowMs = count(key, value, 0, 60000);
        } else if (key == "syntheticUsers") {
            next.syntheticUsers = count(key, value, 0, 1000000);
        } else if (key == "procedureErrors") {
            requireObject(key, value);
            next.procedureErrors.clear();
            for (const auto &[procedure, error] : value.items()) {
                const std::string where = key + "." + procedure;
                requireObject(where, error);
                ProcedureError entry;
                for (const auto &[field, item] : error.items()) {
                    if (field == "code")
                        entry.code = std::uint32_t(count(where + ".code", item, 1, 0x7FFFFFFF));
                    else if (field == "text")
                        entry.text = text(where + ".text", item);
                    else if (field == "count")
                        entry.count = count(where + ".count", item, -1, Million);
                    else
                        refuse(where, "unknown key \"" + field + "\"");
                }
                next.procedureErrors.insert(QString::fromStdString(procedure).toLower(), entry);
            }
        } else if (key == "dropFields") {
            requireObject(key, value);
            next.dropFields.clear();
            for (const auto &[procedure, fields] : value.items())
                next.dropFields.insert(QString::fromStdString(procedure).toLower(),
                                       names(key + "." + procedure, fields));
        } else if (key == "columnLengths") {
            requireObject(key, value);
            next.columnLengths.clear();
            for (const auto &[procedure, fields] : value.items()) {
                requireObject(key + "." + procedure, fields);
                QMap<QString, std::uint32_t> lengths;
                for (const auto &[field, length] : fields.items())
                    lengths.insert(QString::fromStdString(field).toLower(),
                                   std::uint32_t(count(key + "." + procedure + "." + field, length,
                                                       0, 0x7FFFFFFF)));
                next.columnLengths.insert(QString::fromStdString(procedure).toLower(), lengths);
            }
        } else if (key == "usageRows") {
            next.usageRows =
                value.is_null() ? std::nullopt : std::optional(usageRowsOf(key, value));
        } else if (key == "evalExpiresInDays") {
            next.evalExpiresInDays =
                value.is_null() ? std::nullopt : std::optional(count(key, value, -36500, 36500));
        } else if (key == "lowerCaseFields") {
            next.lowerCaseFields = names(key, value);
        } else if (key == "unknownTypeColumn") {
            next.unknownTypeColumn = names(key, value);
        } else if (key == "emptyResults") {
            next.emptyResults = names(key, value);
        } else {
            refuse(key, "no such fault");
        }
    }
    return next;
}
