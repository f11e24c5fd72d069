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
    // instrument. Never raises: a failing step is skipped silently.
    void Form_Load();
    // Saves the four choices, removes the tray icon, closes the MIDI port; when the settings
    // could not be written, says so once.
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
    Controls c_;
    TrayIconRecord TrayIcon_;
    Rnd rnd_;
    bool scanning_ = false;
};
