// The widgets the window is built from, one per control of the layout, with the look the layout
// gives them.
#pragma once

#include <QLabel>
#include <QWidget>
#include <functional>

#include "window/layout.h"

namespace ui {

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

// A child of `parent` for `control`, placed and sized as the layout says; nullptr for the timer,
// which is no widget.
QWidget* MakeWidget(const layout::Control& control, QWidget& parent);

}  // namespace ui
