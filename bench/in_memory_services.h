// Minimal in-process definitions of the services one tick uses, so that a benchmark runs the real
// key scan and MIDI module without a synthesizer, an X server or a window.
#pragma once

#include "platform/controls.h"

namespace bench {

// Marks virtual key `code` as held down (or let go) in the in-memory key state.
void HoldKey(int code, bool down);

// How many short messages the MIDI output has taken so far; the last one is kept too, so the
// compiler cannot drop the sends.
long SentMessages();

class FixedList : public platform::ListControl {
  public:
    explicit FixedList(Integer index) : index_(index) {}
    void Clear() override {}
    void AddItem(const std::string&) override {}
    Integer NewIndex() const override { return -1; }
    Integer ListCount() const override { return 12; }
    std::string List(Integer) const override { return {}; }
    Long ItemData(Integer) const override { return 0; }
    void SetItemData(Integer, Long) override {}
    Integer ListIndex() const override { return index_; }
    void SetListIndex(Integer index) override { index_ = index; }

  private:
    Integer index_;
};

class FixedScrollBar : public platform::ScrollBarControl {
  public:
    explicit FixedScrollBar(Integer value) : value_(value) {}
    Integer Value() const override { return value_; }
    void SetValue(Integer value) override { value_ = value; }

  private:
    Integer value_;
};

}  // namespace bench
