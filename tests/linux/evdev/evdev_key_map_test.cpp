// The kernel reports key positions; they must come out as the virtual keys a US keyboard has in
// those places, and every key the key scan asks about must be reachable.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>
#include <string>

#include "platform/linux/evdev/layout_key_map.h"

namespace {

int VirtualKeyOfEvdevCode(unsigned int code) {
    static const linux_::LayoutKeyMap usPositions;
    return usPositions.VirtualKey(code);
}

// The kernel numbers each row of the main block from left to right.
std::string Row(unsigned int first, std::size_t length) {
    std::string row;
    for (unsigned int code = first; code < first + length; ++code) {
        row += static_cast<char>(VirtualKeyOfEvdevCode(code));
    }
    return row;
}

TEST(EvdevKeyMap, MainBlockFollowsTheUsLayout) {
    EXPECT_EQ(Row(KEY_1, 10), "1234567890");
    EXPECT_EQ(Row(KEY_Q, 10), "QWERTYUIOP");
    EXPECT_EQ(Row(KEY_A, 9), "ASDFGHJKL");
    EXPECT_EQ(Row(KEY_Z, 7), "ZXCVBNM");
    // Punctuation by its US place: ; = , - . / ` [ \ ] '
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_SEMICOLON), 186);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_SLASH), 191);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_GRAVE), 192);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_LEFTBRACE), 219);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_APOSTROPHE), 222);
}

TEST(EvdevKeyMap, FunctionKeysAndKeypadRunInOrder) {
    // F11 and up are numbered apart from F1 to F10 in the kernel.
    const unsigned int functionKeys[] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,
                                         KEY_F7,  KEY_F8,  KEY_F9,  KEY_F10, KEY_F11, KEY_F12,
                                         KEY_F13, KEY_F14, KEY_F15, KEY_F16};
    int expected = 112;
    for (unsigned int code : functionKeys) EXPECT_EQ(VirtualKeyOfEvdevCode(code), expected++);

    const unsigned int keypadDigits[] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                         KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
    expected = 96;
    for (unsigned int code : keypadDigits) EXPECT_EQ(VirtualKeyOfEvdevCode(code), expected++);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_KPENTER), VirtualKeyOfEvdevCode(KEY_ENTER));
}

TEST(EvdevKeyMap, EveryKeyOfAPcKeyboardAndMouseIsReachable) {
    std::set<int> reached;
    for (unsigned int code = 0; code < KEY_CNT; ++code) reached.insert(VirtualKeyOfEvdevCode(code));
    // Mouse buttons, then a full-size US PC keyboard.
    std::set<int> wanted = {1,  2,  4,  5,  6,  8,  9,  13, 16, 17,
                            18, 19, 20, 27, 44, 45, 46, 91, 92, 93};
    for (int code = 32; code <= 40; ++code) wanted.insert(code);  // space, paging, arrows
    for (int code = '0'; code <= '9'; ++code) wanted.insert(code);
    for (int code = 'A'; code <= 'Z'; ++code) wanted.insert(code);
    for (int code = 96; code <= 127; ++code) wanted.insert(code);  // keypad, F1 to F16
    for (int code : {144, 145, 186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222}) {
        wanted.insert(code);
    }
    for (int code : wanted) EXPECT_TRUE(reached.count(code)) << "virtual key " << code;
}

TEST(EvdevKeyMap, CodesOutsideTheTableMeanNothing) {
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_RESERVED), 0);
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_POWER), 0);
    EXPECT_EQ(VirtualKeyOfEvdevCode(BTN_TRIGGER), 0);  // a joystick
    EXPECT_EQ(VirtualKeyOfEvdevCode(KEY_CNT), 0);
    EXPECT_EQ(VirtualKeyOfEvdevCode(0xffffffffu), 0);
}

}  // namespace
