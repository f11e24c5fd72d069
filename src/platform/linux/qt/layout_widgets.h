// The widgets the window is built from, one per control of the layout, with the look the layout
// gives them.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

#include "window/layout.h"

namespace linux_ {

// A label that reports a left-button click released over it.
class ClickLabel final : public QLabel {
  public:
    using QLabel::QLabel;
    void SetOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::function<void()> onClick_;
};

// Sizes an AutoSize label to its caption, keeping its place. On a scaled screen the glyphs are
// drawn at the device's size, where an antialiased edge can pass the caption's advance in
// layout pixels by up to a device pixel; the label keeps one layout pixel of room for it, so the
// last letter is never cut.
void FitToCaption(QLabel& label);

// A child of `parent` for `control`, placed and sized as the layout says; nullptr for the timer,
// which is no widget.
QWidget* MakeWidget(const layout::Control& control, QWidget& parent);

}  // namespace linux_
