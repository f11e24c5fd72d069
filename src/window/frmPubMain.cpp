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

// False when the store refused the removal.
bool RemoveSetting(const char* key) {
    return platform::DeleteSetting(kApp, kSection, key);
}

// Rounds a size computed at double precision once to single; a result that is not a finite
// single-precision number abandons the step.
float ToSingle(double value) {
    const auto single = static_cast<float>(value);
    if (!std::isfinite(single)) throw OverflowError();
    return single;
}

}  // namespace

template <typename Apply>
void frmPubMain::RestoreChoice(Choice& choice, const char* defaultValue, Apply&& apply) {
    choice.restore = Restore::Dropped;
    Integer value = 0;
    try {
        value = ReadSetting(choice.key, defaultValue);
    } catch (const std::exception&) {
        return;  // not a number, or none that fits an Integer
    }
    try {
        apply(value);
    } catch (const std::exception&) {
        // A device list changes between starts (a port unplugged, no sound server yet): a stored
        // position it does not reach now may name a device again at the next start.
        if (&choice == &Devies_ && value >= 0) choice.restore = Restore::Kept;
        return;
    }
    // A list left without a selection holds no choice worth keeping.
    const bool noSelection = &choice != &Vol_ && value == -1;
    if (!noSelection) choice.restore = Restore::Shown;
}

void frmPubMain::Form_Load() {
    const auto step = [this](auto&& run) {
        if (!unloaded_) SkipOnError(run);
    };
    step([&] { mdlPubSelf::FillMidiDeviceList(c_.ComDevies); });
    step([&] { RestoreChoice(Vol_, "100", [&](Integer v) { c_.Vol.SetValue(v); }); });
    step([&] { RestoreChoice(Stage_, "0", [&](Integer v) { c_.diao.SetListIndex(v); }); });
    step([&] { RestoreChoice(Devies_, "0", [&](Integer v) { c_.ComDevies.SetListIndex(v); }); });
    step([&] { RestoreChoice(Tools_, "0", [&](Integer v) { c_.ComSounds.SetListIndex(v); }); });
    step([&] { ComDevies_Click(); });
    step([&] { ComSounds_Click(); });
    if (unloaded_) return;
    for (Choice* choice : {&Devies_, &Tools_, &Vol_, &Stage_}) choice->shown = choice->read(c_);
    restored_ = true;
}

bool frmPubMain::SaveChoices() {
    bool saved = true;
    for (const Choice* choice : {&Devies_, &Tools_, &Vol_, &Stage_}) {
        const Integer now = choice->read(c_);
        if (choice->restore == Restore::Shown || now != choice->shown) {
            saved = WriteSetting(choice->key, now) && saved;
        } else if (choice->restore == Restore::Dropped) {
            // Gone, the next start takes the value it gives an absent key.
            saved = RemoveSetting(choice->key) && saved;
        }
    }
    return saved;
}

void frmPubMain::Form_Unload() {
    unloaded_ = true;
    // Closed before its choices were restored, the window shows none of the user's: the stored
    // ones stay as they were.
    const bool saved = !restored_ || SaveChoices();
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
