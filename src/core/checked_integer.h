// Integer arithmetic with overflow detection: every sum and product of Integers in the program's
// logic goes through these, and a result outside -32768..32767 raises OverflowError.
#pragma once

#include <limits>

#include "core/basic_types.h"
#include "core/errors.h"

// Narrows a wider value to an Integer, raising OverflowError when it does not fit.
inline Integer ToInteger(long long value) {
    if (value < std::numeric_limits<Integer>::min() ||
        value > std::numeric_limits<Integer>::max()) {
        throw OverflowError();
    }
    return static_cast<Integer>(value);
}

inline Integer CheckedAdd(Integer a, Integer b) {
    return ToInteger(static_cast<long long>(a) + b);
}
inline Integer CheckedSub(Integer a, Integer b) {
    return ToInteger(static_cast<long long>(a) - b);
}
inline Integer CheckedMul(Integer a, Integer b) {
    return ToInteger(static_cast<long long>(a) * b);
}

// Long (32-bit) arithmetic with the same overflow rule.
inline Long ToLong(long long value) {
    if (value < std::numeric_limits<Long>::min() || value > std::numeric_limits<Long>::max()) {
        throw OverflowError();
    }
    return static_cast<Long>(value);
}

inline Long CheckedAdd(Long a, Long b) {
    return ToLong(static_cast<long long>(a) + b);
}
inline Long CheckedMul(Long a, Long b) {
    return ToLong(static_cast<long long>(a) * b);
}
