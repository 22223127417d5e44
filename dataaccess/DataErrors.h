#pragma once

#include "Exception.h"

// General database failures raised with a plain message by the data-access logic.
class EDataAccessError : public Exception {
public:
    using Exception::Exception;
    const char *className() const override { return "EDataAccessError"; }
};
