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
// laid out at the device's size, where their rounded advances can add up to more than the
// caption's width in layout pixels times the scale; the label takes the wider of the two, and
// one layout pixel for an antialiased edge, so the last letter is never cut.
void FitToCaption(QLabel& label);

// Sets an AutoSize label's caption a little tighter where it is wider than `room` pixels, the
// room left before the next link and the gap kept to it.
void FitToRoom(QLabel& label, int room);

// Makes the child of `parent` for `control`, named, placed and sized as the layout says; the
// timer is no widget and gets none.
void MakeWidget(const layout::Control& control, QWidget& parent);

}  // namespace linux_
