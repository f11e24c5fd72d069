#include "window/frmPubMain.h"

#include <cmath>
#include <limits>
#include <string>

#include "core/checked_integer.h"
#include "core/errors.h"
#include "core/integer_text.h"
#include "core/skip_on_error.h"
#include "engine/key_scan.h"
#include "midi/mdlPubSelf.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "window/layout.h"
#include "window/links.h"

namespace {

constexpr const char* kApp = "Clavitap";
constexpr const char* kSection = "Value";
constexpr Long kCallbackMessage = 512;  // WM_MOUSEMOVE: the icon's clicks arrive as mouse moves
constexpr Long kIconFlags = 7;          // NIF_MESSAGE | NIF_ICON | NIF_TIP
constexpr float kLeftButtonUp = 514.0f;
constexpr float kRightButtonUp = 517.0f;
constexpr double kFitMargin = 90.0;

Integer ReadSetting(const char* key, const char* defaultValue) {
    return ParseInteger(platform::GetSetting(kApp, kSection, key, defaultValue));
}

// False when the store refused the write.
bool WriteSetting(const char* key, Integer value) {
    return platform::SaveSetting(kApp, kSection, key, IntegerText(value));
}

// Rounds a size computed at double precision once to single; a result that is not a finite
// single-precision number abandons the step.
float ToSingle(double value) {
    const auto single = static_cast<float>(value);
    if (!std::isfinite(single)) throw OverflowError();
    return single;
}

}  // namespace

void frmPubMain::Form_Load() {
    SkipOnError([&] { mdlPubSelf::FillMidiDeviceList(c_.ComDevies); });
    SkipOnError([&] { c_.Vol.SetValue(ReadSetting("Vol", "100")); });
    SkipOnError([&] { c_.diao.SetListIndex(ReadSetting("Stage", "0")); });
    SkipOnError([&] { c_.ComDevies.SetListIndex(ReadSetting("Devies", "0")); });
    SkipOnError([&] { c_.ComSounds.SetListIndex(ReadSetting("Tools", "0")); });
    SkipOnError([&] { ComDevies_Click(); });
    SkipOnError([&] { ComSounds_Click(); });
}

void frmPubMain::Form_Unload() {
    bool saved = WriteSetting("Devies", c_.ComDevies.ListIndex());
    saved = WriteSetting("Tools", c_.ComSounds.ListIndex()) && saved;
    saved = WriteSetting("Vol", c_.Vol.Value()) && saved;
    saved = WriteSetting("Stage", c_.diao.ListIndex()) && saved;
    platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(TrayIcon_));
    mdlPubSelf::CloseMidiOut();
    // Choices that could not be kept are not lost without a word; the program still ends normally.
    if (!saved) platform::MsgBox(platform::SettingsWriteFailure(kApp));
}

void frmPubMain::ComDevies_Click() {
    mdlPubSelf::ShowNextScanError();
    const Integer index = c_.ComDevies.ListIndex();
    const Integer deviceId = ToInteger(c_.ComDevies.ItemData(index));
    mdlPubSelf::OpenMidiOut(deviceId);
}

void frmPubMain::ComSounds_Click() {
    mdlPubSelf::ShowNextScanError();
    const Integer program = c_.ComSounds.ListIndex();
    // With no instrument selected there is no program to send.
    if (program < 0) return;
    mdlPubSelf::SendProgramChange(0, 0, program);
}

void frmPubMain::Timer1_Timer() {
    if (scanning_) return;
    // While a box is open the scan waits: the keys that answer the box are the box's own. The
    // notes already sounding still end on time.
    if (platform::MsgBoxOpen()) {
        engine::ReleaseLetGoNotes();
        return;
    }
    scanning_ = true;
    try {
        engine::ScanKeys(c_.diao, c_.Vol, rnd_);
    } catch (...) {
        scanning_ = false;
        throw;
    }
    scanning_ = false;
}

void frmPubMain::lblHide_Click() {
    TrayIcon_.hWnd = c_.form.hWnd();
    TrayIcon_.uID = c_.form.IconHandle();
    TrayIcon_.uFlags = kIconFlags;
    TrayIcon_.uCallbackMessage = kCallbackMessage;
    TrayIcon_.hIcon = c_.form.IconHandle();
    TrayIcon_.szTip.fill(' ');
    const std::string tip = std::string(layout::kCaption) + '\0';
    tip.copy(TrayIcon_.szTip.data(), tip.size());
    TrayIcon_.cbSize = 56;
    if (platform::Shell_NotifyIconA(platform::NIM_ADD, AnsiBytes(TrayIcon_))) c_.form.Hide();
}

void frmPubMain::Form_MouseMove(Integer /*button*/, Integer /*shift*/, float x, float /*y*/) {
    SkipOnError([&] {
        const float code = x / c_.form.TwipsPerPixelX();
        if (code == kLeftButtonUp || code == kRightButtonUp) {
            SkipOnError(
                [&] { platform::Shell_NotifyIconA(platform::NIM_DELETE, AnsiBytes(TrayIcon_)); });
            SkipOnError([&] { c_.form.Show(); });
        }
    });
}

void frmPubMain::Form_Resize() {
    SkipOnError([&] {
        const double height = static_cast<double>(c_.form.Height()) - c_.form.ScaleHeight() +
                              c_.lblHide.Top() + c_.lblHide.Height() + kFitMargin;
        c_.form.SetHeight(ToSingle(height));
    });
    SkipOnError([&] {
        const double width = static_cast<double>(c_.form.Width()) - c_.form.ScaleWidth() +
                             c_.lblFeedback.Left() + c_.lblFeedback.Width() + kFitMargin;
        c_.form.SetWidth(ToSingle(width));
    });
}

void frmPubMain::lblDonate_Click() {
    platform::OpenLink(std::string(links::kDonate));
}
void frmPubMain::lblFeedback_Click() {
    platform::OpenLink(std::string(links::kFeedback));
}
void frmPubMain::lblHomepage_Click() {
    platform::OpenLink(std::string(links::kHomepage));
}
