// Connecting, disconnecting, errors and handles.

#include "AceCodes.h"
#include "Answers.h"
#include "Api.h"
#include "Session.h"
#include "SessionObjects.h"
#include "System.h"
#include "Text.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

using namespace engine;

namespace {

struct DataSource {
    std::string host;
    std::uint16_t port = 6262;
    std::string share;
};

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// "Key=Value;" entries; a value may stand in double quotes and then hold ";".
bool parseEntries(const std::string &text,
                  std::vector<std::pair<std::string, std::string>> &entries)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = text.find('=', i);
        if (equals == std::string::npos)
            return trim(text.substr(i)).empty();
        const std::string key = lower(trim(text.substr(i, equals - i)));
        std::size_t j = equals + 1;
        while (j < text.size() && text[j] == ' ')
            ++j;
        std::string value;
        if (j < text.size() && text[j] == '"') {
            const std::size_t close = text.find('"', j + 1);
            if (close == std::string::npos)
                return false;
            value = text.substr(j + 1, close - j - 1);
            j = close + 1;
            while (j < text.size() && text[j] != ';')
                ++j;
        } else {
            const std::size_t end = text.find(';', j);
            value = trim(text.substr(j, end == std::string::npos ? std::string::npos : end - j));
            j = end == std::string::npos ? text.size() : end;
        }
        entries.emplace_back(key, value);
        i = j < text.size() ? j + 1 : j;
    }
    return true;
}

// "\\server:port\share\deeper" (either slash); the port defaults to 6262.
bool parseDataSource(const std::string &path, DataSource &source)
{
    if (path.size() < 3 || (path[0] != '\\' && path[0] != '/') ||
        (path[1] != '\\' && path[1] != '/'))
        return false;
    const std::string rest = path.substr(2);
    const std::size_t separator = rest.find_first_of("\\/");
    std::string server = rest.substr(0, separator);
    source.share = separator == std::string::npos ? std::string() : rest.substr(separator + 1);
    const std::size_t colon = server.rfind(':');
    if (colon != std::string::npos) {
        const std::string port = server.substr(colon + 1);
        server.resize(colon);
        if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), ::isdigit))
            return false;
        const unsigned long number = std::stoul(port);
        if (number == 0 || number > 65535)
            return false;
        source.port = static_cast<std::uint16_t>(number);
    }
    source.host = server;
    return !server.empty();
}

} // namespace

UNSIGNED32 engine::api::AdsConnect101(UNSIGNED8 *pucConnectString, ADSHANDLE *,
                                      ADSHANDLE *phConnect)
{
    logCall("AdsConnect101");
    if (!pucConnectString || !phConnect)
        return fail(acecode::InvalidArgument,
                    "AdsConnect101 needs a connection string and a handle.");
    *phConnect = 0;

    const std::string text = localToUtf8(reinterpret_cast<const char *>(pucConnectString));
    std::vector<std::pair<std::string, std::string>> entries;
    if (!parseEntries(text, entries))
        return fail(acecode::BadConnectString, "The connection string is malformed.");
    std::string dataSource, user, password;
    for (const auto &[key, value] : entries) {
        if (key == "data source")
            dataSource = value;
        else if (key == "user id")
            user = value;
        else if (key == "password")
            password = value;
    }
    DataSource source;
    if (!parseDataSource(dataSource, source))
        return fail(acecode::BadConnectString,
                    "The data source \"" + utf8ToLocal(dataSource) + "\" is not a server path.");

    auto session = std::make_shared<Session>();
    if (const std::uint32_t rc =
            session->link.connect(source.host, source.port, Deadline::in(ConnectTimeoutMs)))
        return fail(rc, utf8ToLocal(session->link.errorText()));

    // Who we are does not change while the process runs.
    static const std::string workstation = sys::workstationName();
    static const std::string login = sys::osLoginName();
    static const std::string application = sys::applicationName();
    wire::Writer hello(wire::Hello);
    hello.str(source.share).str(workstation).str(login).str(application).str(user).str(password);
    std::vector<std::uint8_t> answer;
    if (const std::uint32_t rc = session->request(hello, answer, wire::Welcome, wire::MaxHelloFrame,
                                                  Deadline::in(ConnectTimeoutMs)))
        return rc;
    auto welcome = answer::welcome(answer.data() + 1, answer.size() - 1);
    if (auto *failure = std::get_if<answer::Failure>(&welcome))
        return fail(failure->code, std::move(failure->text));
    session->connectionNumber = std::get<answer::Welcome>(welcome).connection;
    session->serverName = std::get<answer::Welcome>(welcome).serverName;
    *phConnect = Handles::instance().add(session);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsDisconnect(ADSHANDLE hConnect)
{
    logCall("AdsDisconnect");
    const auto session = Handles::instance().find<Session>(hConnect, ADS_CONNECTION);
    if (!session)
        return fail(acecode::InvalidConnectionHandle, "Invalid connection handle.");
    closeSessionObjects(hConnect);
    {
        const std::lock_guard lock(session->mutex);
        if (session->link.isOpen())
            session->link.send(wire::Writer(wire::Bye), Deadline::in(200));
        session->link.close();
    }
    Handles::instance().remove(hConnect);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetLastError(UNSIGNED32 *pulErrCode, UNSIGNED8 *pucBuf,
                                        UNSIGNED16 *pusBufLen)
{
    if (pulErrCode)
        *pulErrCode = lastErrorCode();
    if (pucBuf && pusBufLen && *pusBufLen > 0) {
        const std::string &text = lastErrorText();
        const std::size_t length = characterBoundary(text, *pusBufLen - 1u);
        std::memcpy(pucBuf, text.data(), length);
        pucBuf[length] = 0;
        *pusBufLen = static_cast<UNSIGNED16>(length);
    }
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsShowError(UNSIGNED8 *pucTitle)
{
    logCall("AdsShowError");
    std::fprintf(stderr, "%s: %u %s\n", pucTitle ? reinterpret_cast<const char *>(pucTitle) : "",
                 lastErrorCode(), lastErrorText().c_str());
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetHandleType(ADSHANDLE hObj, UNSIGNED16 *pusType)
{
    logCall("AdsGetHandleType");
    const auto object = Handles::instance().find(hObj);
    if (!object)
        return fail(acecode::InvalidHandle, "Invalid handle.");
    if (pusType)
        *pusType = object->type;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetSQLStmtParams(UNSIGNED8 *pucSQL)
{
    logCall("AdsGetSQLStmtParams");
    if (!pucSQL)
        return fail(acecode::InvalidArgument, "No SQL text.");
    return acecode::Success;
}
