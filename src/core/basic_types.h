// The value types the program's logic is written in: a 16-bit Integer, a 32-bit Long and a
// Boolean that holds True as -1, as the settings store and the window's handlers expect.
#pragma once

#include <cstdint>

using Integer = std::int16_t;
using Long = std::int32_t;
using Boolean = std::int16_t;

inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;
