// Taking packed short messages apart before they reach the synthesizer or a port.
#include "platform/linux/midi/short_message.h"

#include <gtest/gtest.h>

namespace linux_ {
namespace {

TEST(DecodeShortMessage, ChannelMessagesCarryTheirDataBytes) {
    const auto noteOn = DecodeShortMessage(144 + 60 * 256 + 100 * 65536);
    ASSERT_TRUE(noteOn);
    EXPECT_EQ(noteOn->length, 3);
    EXPECT_EQ(noteOn->Kind(), 0x90);
    EXPECT_EQ(noteOn->Channel(), 0);
    EXPECT_EQ(noteOn->Data1(), 60);
    EXPECT_EQ(noteOn->Data2(), 100);

    const auto program = DecodeShortMessage(0xC9 | 40 << 8 | 0xFF << 16);  // data2 unused
    ASSERT_TRUE(program);
    EXPECT_EQ(program->length, 2);
    EXPECT_EQ(program->Channel(), 9);
    EXPECT_EQ(program->Data1(), 40);
    EXPECT_EQ(program->Data2(), 0);

    const auto clock = DecodeShortMessage(0xF8 | 0x7F << 8);
    ASSERT_TRUE(clock);
    EXPECT_EQ(clock->length, 1);
    EXPECT_EQ(clock->Data1(), 0);
}

TEST(DecodeShortMessage, TopByteIsIgnored) {
    const auto message =
        DecodeShortMessage(static_cast<Long>(0xAB00'0000u | 0xB0 | 7 << 8 | 90 << 16));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->bytes[0], 0xB0);
    EXPECT_EQ(message->Data2(), 90);
}

TEST(DecodeShortMessage, RefusesWhatAReceiverWouldMisread) {
    EXPECT_FALSE(DecodeShortMessage(0x3C));                         // a data byte: running status
    EXPECT_FALSE(DecodeShortMessage(0x90 | 128 << 8 | 100 << 16));  // note 128
    EXPECT_FALSE(DecodeShortMessage(0x90 | 60 << 8 | 200 << 16));   // velocity 200
    EXPECT_FALSE(DecodeShortMessage(144 - 256));  // a data1 of -1, summed as the module does
    EXPECT_FALSE(DecodeShortMessage(0xF0));       // system exclusive cannot be short
    EXPECT_FALSE(DecodeShortMessage(0xF7));
}

}  // namespace
}  // namespace linux_
