#include <gtest/gtest.h>

#include <set>
#include <string>

#include "window/layout.h"

// The layout tables are data both windows are built from; these checks catch a slip in them.
TEST(Layout, TabIndexesRunFrom0To15WithoutGapsAndOrdersAreUnique) {
    std::set<int> tabs, orders;
    for (const auto& control : layout::kControls) {
        if (control.tabIndex != layout::kNoTabIndex) tabs.insert(control.tabIndex);
        orders.insert(control.order);
    }
    for (const auto& line : layout::kLines) orders.insert(line.order);
    EXPECT_EQ(tabs.size(), 16u);
    EXPECT_EQ(*tabs.begin(), 0);
    EXPECT_EQ(*tabs.rbegin(), 15);
    EXPECT_EQ(orders.size(), 20u);
    EXPECT_EQ(*orders.rbegin(), 20);
}

TEST(Layout, TheLinkRowEndsAtTheRightEdgeWithGapsOf90) {
    const auto& hide = layout::Find("lblHide");
    const auto& donate = layout::Find("lblDonate");
    const auto& homepage = layout::Find("lblHomepage");
    const auto& feedback = layout::Find("lblFeedback");
    EXPECT_EQ(hide.left + hide.width + 90, donate.left);
    EXPECT_EQ(donate.left + donate.width + 90, homepage.left);
    EXPECT_EQ(homepage.left + homepage.width + 90, feedback.left);
    EXPECT_EQ(feedback.left + feedback.width, 5205);
}

TEST(Layout, ListsHoldTheirExactTexts) {
    EXPECT_EQ(layout::kInstruments[0], "Piano 1");
    EXPECT_EQ(layout::kInstruments[5], "E.piano 2");
    EXPECT_EQ(layout::kInstruments[62], "Synth Br.1");
    EXPECT_EQ(layout::kInstruments[70], "Basson");
    EXPECT_EQ(layout::kInstruments[87], "Bass&Lead");
    EXPECT_EQ(layout::kInstruments[127], "Gun Shot");
    EXPECT_EQ(layout::kTones[1], "C#");
    EXPECT_EQ(layout::kTones[11], "B");
    EXPECT_EQ(layout::kNotesText,
              "* All settings will be saved after exited.\r\n \r\nas you like.\r\n");
}
