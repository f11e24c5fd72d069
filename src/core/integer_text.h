// Conversion between Integers and the decimal texts kept in the settings store.
#pragma once

#include <string>
#include <string_view>

#include "core/basic_types.h"

// Reads a strict decimal Integer: optional blanks, an optional sign, one or more digits, optional
// blanks. Raises TypeMismatch for any other text and OverflowError outside -32768..32767.
Integer ParseInteger(std::string_view text);

// The decimal text of an Integer: "-1", "0", "100"; no leading blank.
std::string IntegerText(Integer value);
