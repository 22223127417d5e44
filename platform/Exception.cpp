#include "Exception.h"

const char *Exception::what() const noexcept
{
    m_what = m_message.toUtf8();
    return m_what.constData();
}
