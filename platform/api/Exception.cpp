#include "Exception.h"

const char *Exception::what() const noexcept
{
    m_what = m_message.toUtf8();
    return m_what.constData();
}

EExternalException::EExternalException(quint32 code)
    : Exception(QStringLiteral("Externe Exception ") + QString::number(code, 16).toUpper()),
      m_code(code)
{
}
