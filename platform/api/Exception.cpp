#include "Exception.h"
#include <QCoreApplication>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Exception)
};

} // namespace

const char *Exception::what() const noexcept
{
    m_what = m_message.toUtf8();
    return m_what.constData();
}

EExternalException::EExternalException(quint32 code)
    : Exception(Texts::tr("Externe Exception ") + QString::number(code, 16).toUpper()), m_code(code)
{
}

QString Exception::messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}
