#include <string>
#include <vector>

#include "tests/unit/fakes/window_fixture.h"
#include "window/links.h"
#include "window/tray_icon.h"

namespace {

using Tray = WindowFixture;

Long IntegerAt(const platform::NotifyIconRecord& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return static_cast<Long>(value);
}

TEST_F(Tray, HideAddsOneIconWithTheAnsiRecordAndHidesTheWindow) {
    window.lblHide_Click();
    EXPECT_FALSE(form.shown);
    ASSERT_EQ(fake::State().notifications.size(), 1u);
    const auto& call = fake::State().notifications[0];
    EXPECT_EQ(call.message, platform::NIM_ADD);
    const auto& bytes = call.record;
    EXPECT_EQ(IntegerAt(bytes, 0), 56);
    EXPECT_EQ(IntegerAt(bytes, 4), form.hWnd());
    EXPECT_EQ(IntegerAt(bytes, 8), form.IconHandle());
    EXPECT_EQ(IntegerAt(bytes, 12), 7);
    EXPECT_EQ(IntegerAt(bytes, 16), 512);
    EXPECT_EQ(IntegerAt(bytes, 20), form.IconHandle());
    const std::string tip(bytes.begin() + 24, bytes.end());
    EXPECT_EQ(tip, std::string("Clavitap") + '\0' + std::string(23, ' '));
}

TEST_F(Tray, OnlyALeftOrRightButtonReleaseRestores) {
    for (float code : {512.0f, 513.0f, 515.0f, 516.0f, 514.5f}) {
        window.lblHide_Click();
        window.Form_MouseMove(0, 0, code * form.TwipsPerPixelX(), 0);
        EXPECT_FALSE(form.shown) << code;
    }
    window.Form_MouseMove(0, 0, 514 * form.TwipsPerPixelX(), 0);
    EXPECT_TRUE(form.shown);
    EXPECT_EQ(fake::State().notifications.back().message, platform::NIM_DELETE);

    window.lblHide_Click();
    window.Form_MouseMove(0, 0, 517 * form.TwipsPerPixelX(), 0);
    EXPECT_TRUE(form.shown);
}

TEST_F(Tray, HidingAgainAddsTheIconAgainWithTheSameHandles) {
    window.lblHide_Click();
    window.Form_MouseMove(0, 0, 514 * 15.0f, 0);
    window.lblHide_Click();
    std::vector<platform::NotifyIconRecord> adds;
    for (const auto& call : fake::State().notifications) {
        if (call.message == platform::NIM_ADD) adds.push_back(call.record);
    }
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_EQ(adds[0], adds[1]);
}

TEST_F(Tray, ARefusedIconLeavesTheWindowShown) {
    fake::State().trayAccepts = false;
    window.lblHide_Click();
    EXPECT_TRUE(form.shown);
}

TEST_F(Tray, ShutdownRemovesTheIconWhetherOrNotItWasShown) {
    window.Form_Unload();
    ASSERT_EQ(fake::State().notifications.size(), 1u);
    EXPECT_EQ(fake::State().notifications[0].message, platform::NIM_DELETE);

    fake::Reset();
    window.lblHide_Click();
    window.Form_Unload();
    ASSERT_EQ(fake::State().notifications.size(), 2u);
    EXPECT_EQ(fake::State().notifications[1].message, platform::NIM_DELETE);
    EXPECT_EQ(fake::State().notifications[1].record, fake::State().notifications[0].record);
}

using Fitting = WindowFixture;

TEST_F(Fitting, TheClientAreaEnds90TwipsBeyondTheTwoLabels) {
    window.Form_Resize();
    EXPECT_FLOAT_EQ(form.ScaleHeight(), 3465 + 195 + 90);
    EXPECT_FLOAT_EQ(form.ScaleWidth(), 4515 + 690 + 90);

    // Run-time label sizes differ from the design sizes on another screen or font.
    lblHide.height = 240;
    lblFeedback.width = 735.5f;
    form.frameHeight = 600;
    window.Form_Resize();
    EXPECT_FLOAT_EQ(form.ScaleHeight(), 3465 + 240 + 90);
    EXPECT_FLOAT_EQ(form.ScaleWidth(), 4515 + 735.5f + 90);
}

TEST_F(Fitting, WhileMinimisedTheRefusalsAreIgnoredAndTheSizeIsKept) {
    window.Form_Resize();
    form.minimised = true;
    EXPECT_NO_THROW(window.Form_Resize());
    EXPECT_EQ(form.setHeightCalls, 2);
    EXPECT_EQ(form.setWidthCalls, 2);  // the width step still ran after the height was refused
    form.minimised = false;
    EXPECT_FLOAT_EQ(form.ScaleHeight(), 3750);
}

TEST_F(Fitting, ANonFiniteSizeAbandonsItsStepOnly) {
    lblHide.height = std::numeric_limits<float>::infinity();
    window.Form_Resize();
    EXPECT_EQ(form.setHeightCalls, 0);
    EXPECT_FLOAT_EQ(form.ScaleWidth(), 4515 + 690 + 90);
}

using Links = WindowFixture;

TEST_F(Links, EachClickOpensItsAddressOnce) {
    window.lblDonate_Click();
    window.lblFeedback_Click();
    window.lblHomepage_Click();
    window.lblHomepage_Click();
    EXPECT_EQ(
        fake::State().links,
        (std::vector<std::string>{std::string(links::kDonate), std::string(links::kFeedback),
                                  std::string(links::kHomepage), std::string(links::kHomepage)}));
}

TEST(LinkAddresses, KeepTheirSchemesAndTheDonationQuery) {
    const std::string donate(links::kDonate);
    const std::string prefix = "cmd=_s-xclick&hosted_button_id=";
    EXPECT_EQ(donate.rfind("https://", 0), 0u);
    EXPECT_NE(donate.find("/cgi-bin/webscr?" + prefix), std::string::npos);
    EXPECT_EQ(donate.size() - (donate.find(prefix) + prefix.size()), 13u);
    EXPECT_EQ(std::string(links::kFeedback).rfind("mailto:", 0), 0u);
    EXPECT_EQ(std::string(links::kHomepage).rfind("http://", 0), 0u);
}

}  // namespace
