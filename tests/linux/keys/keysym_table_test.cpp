// The keysym and button table against the Windows virtual-key codes the key scan asks for.
#include "platform/linux/virtual_keys/keysym_table.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <utility>

using linux_::VirtualKeyOfButton;
using linux_::VirtualKeyOfKeysym;

TEST(VirtualKeyTable, LettersInBothCasesDigitsAndFunctionKeys) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(VirtualKeyOfKeysym(XK_a + static_cast<unsigned>(i)), 'A' + i);
        EXPECT_EQ(VirtualKeyOfKeysym(XK_A + static_cast<unsigned>(i)), 'A' + i);
    }
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(VirtualKeyOfKeysym(XK_0 + static_cast<unsigned>(i)), '0' + i);
    EXPECT_EQ(VirtualKeyOfKeysym(XK_F1), 112);
    EXPECT_EQ(VirtualKeyOfKeysym(XK_F12), 123);
    EXPECT_EQ(VirtualKeyOfKeysym(XK_F16), 127);
}

TEST(VirtualKeyTable, KeypadCountsAsKeypadWhateverTheNumLockState) {
    const std::pair<unsigned long, int> keypad[] = {
        {XK_KP_0, 96},         {XK_KP_Insert, 96},  {XK_KP_1, 97},          {XK_KP_End, 97},
        {XK_KP_2, 98},         {XK_KP_Down, 98},    {XK_KP_3, 99},          {XK_KP_Next, 99},
        {XK_KP_4, 100},        {XK_KP_Left, 100},   {XK_KP_5, 101},         {XK_KP_Begin, 101},
        {XK_KP_6, 102},        {XK_KP_Right, 102},  {XK_KP_7, 103},         {XK_KP_Home, 103},
        {XK_KP_8, 104},        {XK_KP_Up, 104},     {XK_KP_9, 105},         {XK_KP_Prior, 105},
        {XK_KP_Multiply, 106}, {XK_KP_Add, 107},    {XK_KP_Separator, 108}, {XK_KP_Subtract, 109},
        {XK_KP_Decimal, 110},  {XK_KP_Delete, 110}, {XK_KP_Divide, 111},    {XK_KP_Enter, 13},
    };
    for (const auto& [keysym, virtualKey] : keypad) {
        EXPECT_EQ(VirtualKeyOfKeysym(keysym), virtualKey) << "keysym 0x" << std::hex << keysym;
    }
}

TEST(VirtualKeyTable, NamedKeysAndGenericModifiers) {
    const std::pair<unsigned long, int> named[] = {
        {XK_BackSpace, 8}, {XK_Tab, 9},      {XK_Clear, 12},     {XK_Return, 13},
        {XK_Shift_L, 16},  {XK_Shift_R, 16}, {XK_Control_L, 17}, {XK_Control_R, 17},
        {XK_Alt_L, 18},    {XK_Alt_R, 18},   {XK_Pause, 19},     {XK_Caps_Lock, 20},
        {XK_Escape, 27},   {XK_space, 32},   {XK_Prior, 33},     {XK_Next, 34},
        {XK_End, 35},      {XK_Home, 36},    {XK_Left, 37},      {XK_Up, 38},
        {XK_Right, 39},    {XK_Down, 40},    {XK_Print, 44},     {XK_Insert, 45},
        {XK_Delete, 46},   {XK_Super_L, 91}, {XK_Super_R, 92},   {XK_Menu, 93},
    };
    for (const auto& [keysym, virtualKey] : named) {
        EXPECT_EQ(VirtualKeyOfKeysym(keysym), virtualKey) << "keysym 0x" << std::hex << keysym;
    }
}

TEST(VirtualKeyTable, UnknownKeysymsGiveNothing) {
    for (unsigned long keysym :
         {0x0UL, 0xFFFFFFUL, static_cast<unsigned long>(XK_semicolon),
          static_cast<unsigned long>(XK_plus), static_cast<unsigned long>(XK_eacute),
          static_cast<unsigned long>(XK_Cyrillic_ef)}) {
        EXPECT_EQ(VirtualKeyOfKeysym(keysym), 0) << "keysym 0x" << std::hex << keysym;
    }
}

TEST(VirtualKeyTable, PointerButtons) {
    EXPECT_EQ(VirtualKeyOfButton(1), 1);
    EXPECT_EQ(VirtualKeyOfButton(2), 4);
    EXPECT_EQ(VirtualKeyOfButton(3), 2);
    for (int wheel = 4; wheel <= 7; ++wheel) EXPECT_EQ(VirtualKeyOfButton(wheel), 0);
    EXPECT_EQ(VirtualKeyOfButton(8), 5);
    EXPECT_EQ(VirtualKeyOfButton(9), 6);
    EXPECT_EQ(VirtualKeyOfButton(0), 0);
    EXPECT_EQ(VirtualKeyOfButton(10), 0);
    EXPECT_EQ(VirtualKeyOfButton(-1), 0);
}
