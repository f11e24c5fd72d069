// The small family of errors raised inside the shared code. Each carries the classic run-time
// error number so that a caller can tell them apart without string matching.
#pragma once

#include <stdexcept>
#include <string>

class BasicError : public std::runtime_error {
  public:
    BasicError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
    int number() const { return number_; }

  private:
    int number_;
};

// A sum, product or conversion left the range of its type.
class OverflowError : public BasicError {
  public:
    OverflowError() : BasicError(6, "Overflow") {}
};

// A control refused a property value outside its range (a list index, a scroll bar value).
class InvalidPropertyValue : public BasicError {
  public:
    InvalidPropertyValue() : BasicError(380, "Invalid property value") {}
};

// A text could not be read as a number.
class TypeMismatch : public BasicError {
  public:
    TypeMismatch() : BasicError(13, "Type mismatch") {}
};
