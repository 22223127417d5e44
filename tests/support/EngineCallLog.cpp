#include "EngineCallLog.h"

#include "ace.h"

#include <cstring>
#include <vector>

namespace {

using EnableFn = void (*)(int);
using ReadFn = UNSIGNED32 (*)(char *, UNSIGNED32 *);

template <typename Fn> Fn extra(const char *name)
{
    void *address = AceBinding::instance().resolveExtra(name);
    Fn function = nullptr;
    std::memcpy(&function, &address, sizeof function);
    return function;
}

} // namespace

EngineCallLog::EngineCallLog()
{
    clear();
}

EngineCallLog::~EngineCallLog()
{
    extra<EnableFn>("StandinEnableCallLog")(0);
}

void EngineCallLog::clear()
{
    extra<EnableFn>("StandinEnableCallLog")(1);
}

QStringList EngineCallLog::calls() const
{
    const ReadFn read = extra<ReadFn>("StandinCallLog");
    UNSIGNED32 length = 0;
    read(nullptr, &length);
    std::vector<char> buffer(length + 1);
    length = static_cast<UNSIGNED32>(buffer.size());
    read(buffer.data(), &length);
    return QString::fromUtf8(buffer.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
