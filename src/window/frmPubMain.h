// The main window's handlers: start-up with the saved settings, the device and instrument picks,
// the timer's key scan, the tray icon, the links, the self-fitting and shut-down. The controls
// themselves belong to the target's window, which raises these handlers from its events.
#pragma once

#include "core/basic_types.h"
#include "engine/rnd.h"
#include "platform/controls.h"
#include "window/tray_icon.h"

class frmPubMain {
  public:
    struct Controls {
        platform::FormControl& form;
        platform::ListControl& ComDevies;
        platform::ListControl& ComSounds;
        platform::ListControl& diao;
        platform::ScrollBarControl& Vol;
        platform::LabelControl& lblHide;
        platform::LabelControl& lblFeedback;
    };

    explicit frmPubMain(const Controls& controls) : c_(controls) {}

    // Fills the device list, restores the four saved choices, opens the device, sends the
    // instrument. Never raises: a failing step is skipped silently. Once the window has unloaded
    // (closed from a box that a step showed), the remaining steps do not run.
    void Form_Load();
    // Saves the choices, removes the tray icon, closes the MIDI port; when the settings could not
    // be written, says so once. Only a window whose start-up has finished saves anything: closed
    // earlier, it leaves the stored settings as they were. A stored choice that start-up could
    // not show is kept as stored (a device not listed at this start) or removed (text that is no
    // choice), unless the user has picked another since.
    void Form_Unload();
    void ComDevies_Click();
    void ComSounds_Click();
    // The key scan. A tick that arrives while an earlier tick is still running returns at once;
    // one that arrives while a message box is open only ends the notes of keys let go.
    void Timer1_Timer();
    // Hides the window behind a notification-area icon; if the platform refuses the icon, the
    // window stays shown so that the user can still reach it.
    void lblHide_Click();
    // A left- or right-button release over the tray icon (X = 514 or 517 pixels) restores.
    void Form_MouseMove(Integer button, Integer shift, float x, float y);
    // Fits the client area 90 twips beyond lblHide's bottom and lblFeedback's right edge.
    void Form_Resize();
    void lblDonate_Click();
    void lblFeedback_Click();
    void lblHomepage_Click();

    const TrayIconRecord& TrayIcon() const { return TrayIcon_; }

  private:
    // What start-up made of one stored choice; it decides what shut-down does with it.
    enum class Restore {
        Shown,    // the control shows it: saved from the control
        Kept,     // a device this start does not list: the stored text stays
        Dropped,  // no choice at all (not a number, out of range, no selection): removed
    };
    struct Choice {
        const char* key;
        Integer (*read)(const Controls&);  // the control's value
        Restore restore = Restore::Dropped;
        Integer shown = 0;  // the control's value when start-up finished
    };
    // One restore step: reads the choice's key (`defaultValue` when absent), hands the number to
    // `apply` and notes what became of it.
    template <typename Apply>
    void RestoreChoice(Choice& choice, const char* defaultValue, Apply&& apply);
    // False when the store refused a write.
    bool SaveChoices();

    Controls c_;
    // In the order shut-down saves them.
    Choice Devies_{"Devies", [](const Controls& c) { return c.ComDevies.ListIndex(); }};
    Choice Tools_{"Tools", [](const Controls& c) { return c.ComSounds.ListIndex(); }};
    Choice Vol_{"Vol", [](const Controls& c) { return c.Vol.Value(); }};
    Choice Stage_{"Stage", [](const Controls& c) { return c.diao.ListIndex(); }};
    bool restored_ = false;
    bool unloaded_ = false;
    TrayIconRecord TrayIcon_;
    Rnd rnd_;
    bool scanning_ = false;
};
