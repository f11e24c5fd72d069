#include "core/integer_text.h"

#include "core/checked_integer.h"
#include "core/errors.h"

Integer ParseInteger(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;

    bool negative = false;
    if (begin < end && (text[begin] == '-' || text[begin] == '+')) {
        negative = text[begin] == '-';
        ++begin;
    }
    if (begin == end) throw TypeMismatch();

    long long magnitude = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') throw TypeMismatch();
        magnitude = magnitude * 10 + (c - '0');
        // Stop growing long before the wide type could overflow; the range check below decides.
        if (magnitude > 1'000'000) throw OverflowError();
    }
    return ToInteger(negative ? -magnitude : magnitude);
}

std::string IntegerText(Integer value) {
    return std::to_string(value);
}
