#pragma once

#include "PostgreSql/PgError.h"

#include <gtest/gtest.h>

namespace velmora::test {

// Runs f, which must fail with an EPgError, and returns that error.
template <class F>
EPgError Failure(F f) {
    try {
        f();
    } catch (const EPgError& e) {
        return e;
    }
    ADD_FAILURE() << "no EPgError thrown";
    return EPgError(TPgSeverity::sError, "<none>");
}

} // namespace velmora::test
