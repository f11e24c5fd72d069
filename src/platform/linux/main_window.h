// The Linux window frmPubMain: one Qt widget built from the layout tables, owning its controls,
// its 50-millisecond timer and the handlers, and raising the handlers from Qt's events. The
// window is the handlers' form; each control is a child widget named as in the layout, and the
// timer a child QTimer named Timer1.
#pragma once

#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/controls.h"
#include "platform/linux/control_adaptors.h"
#include "window/frmPubMain.h"

namespace linux_ {

// The mouse messages of a notification area that bring the window back, by their numbers.
inline constexpr Long kMouseMove = 512;  // also the message the icon's clicks come under
inline constexpr Long kLeftButtonUp = 514;

// The program's icon, at every size drawn for it: the window's title-bar and taskbar icon, the
// boxes' and, through the window's icon handle, the notification-area icon.
QIcon AppIcon();

class MainWindow final : public QWidget, public platform::FormControl {
  public:
    // Creates every control and starts Timer1. The window is not shown yet.
    MainWindow();
    ~MainWindow() override;

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    frmPubMain& Handlers() { return *handlers_; }

    // Runs after Form_Unload, when the user has closed the window: the program ends there.
    void SetOnUnloaded(std::function<void()> onUnloaded) { onUnloaded_ = std::move(onUnloaded); }

    // A callback message from the notification area, delivered like a posted window message:
    // later, from the event loop. Message 512 (mouse move) reaches Form_MouseMove with X set to
    // `mouseMessage` pixels in twips.
    void PostCallbackMessage(Long message, Long mouseMessage);

    // platform::FormControl
    Long hWnd() const override { return handle_; }
    Long IconHandle() const override { return iconHandle_; }
    void Hide() override;
    void Show() override;
    float Height() const override;
    float Width() const override;
    float ScaleHeight() const override;
    float ScaleWidth() const override;
    void SetHeight(float twips) override;
    void SetWidth(float twips) override;
    float TwipsPerPixelX() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void ConnectHandlers();
    void SetTabOrderAndAccessKeys();
    // Runs a handler unless the window has unloaded; nothing it throws leaves this call.
    void Raise(void (frmPubMain::*handler)());
    void RequireNormalState() const;

    std::optional<ComboList> comDevies_, comSounds_, diao_;
    std::optional<ScrollBar> vol_;
    std::optional<Label> lblHide_, lblFeedback_;
    std::optional<frmPubMain> handlers_;
    QTimer* timer1_;
    Long handle_ = 0;
    Long iconHandle_ = 0;
    bool shownOnce_ = false;
    bool unloading_ = false;
    bool unloaded_ = false;
    std::function<void()> onUnloaded_;
};

}  // namespace linux_
