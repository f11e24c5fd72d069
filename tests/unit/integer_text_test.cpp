#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/checked_integer.h"
#include "core/errors.h"
#include "core/integer_text.h"

TEST(IntegerText, ReadsDecimalTextsWithSignAndBlanks) {
    EXPECT_EQ(ParseInteger("100"), 100);
    EXPECT_EQ(ParseInteger("-1"), -1);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("  42 "), 42);
    EXPECT_EQ(ParseInteger("-32768"), -32768);
    EXPECT_EQ(ParseInteger("32767"), 32767);
    EXPECT_EQ(ParseInteger("007"), 7);
}

TEST(IntegerText, RefusesTextThatIsNotADecimalInteger) {
    for (const char* text :
         {"", " ", "abc", "1.5", "1,000", "12a", "- 1", "--1", "+", "0x10", "1e3", "\xff", "1 2"}) {
        EXPECT_THROW(ParseInteger(text), TypeMismatch) << '"' << text << '"';
    }
}

TEST(IntegerText, RefusesNumbersOutsideTheIntegerRange) {
    for (const char* text : {"32768", "-32769", "99999999999999999999999"}) {
        EXPECT_THROW(ParseInteger(text), OverflowError) << text;
    }
}

TEST(IntegerText, WritesPlainDecimalText) {
    EXPECT_EQ(IntegerText(100), "100");
    EXPECT_EQ(IntegerText(-1), "-1");
    EXPECT_EQ(IntegerText(0), "0");
}

TEST(IntegerText, RandomTextsEitherRoundTripOrAreRefused) {
    std::mt19937 random(20261208);
    const std::string alphabet = "0123456789+- \t.,ae\x80";
    for (int i = 0; i < 20000; ++i) {
        std::string text(random() % 8, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        try {
            const Integer value = ParseInteger(text);
            EXPECT_EQ(ParseInteger(IntegerText(value)), value);
        } catch (const BasicError&) {
            // Refused texts are fine; anything else escaping would fail the test.
        }
    }
}

TEST(CheckedInteger, RaisesOverflowOutsideTheRange) {
    EXPECT_EQ(CheckedMul(Integer{127}, Integer{256}), 32512);
    EXPECT_THROW(CheckedMul(Integer{128}, Integer{256}), OverflowError);
    EXPECT_THROW(CheckedAdd(Integer{32767}, Integer{1}), OverflowError);
    EXPECT_THROW(CheckedSub(Integer{-32768}, Integer{1}), OverflowError);
    EXPECT_THROW(CheckedAdd(Long{2147483647}, Long{1}), OverflowError);
}
