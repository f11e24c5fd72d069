// The window's Qt widgets seen through the abstract controls the handlers are written against.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>

#include "platform/controls.h"

namespace linux_ {

// A drop-down list the user cannot type into. ItemData lives in each entry's user role.
// Selecting from code does not raise Click: the window listens only to QComboBox::activated,
// which Qt emits for the user's choices alone.
class ComboList final : public platform::ListControl {
  public:
    explicit ComboList(QComboBox& box) : box_(box) {}

    void Clear() override;
    void AddItem(const std::string& text) override;
    Integer NewIndex() const override { return newIndex_; }
    Integer ListCount() const override;
    std::string List(Integer index) const override;
    Long ItemData(Integer index) const override;
    void SetItemData(Integer index, Long value) override;
    Integer ListIndex() const override;
    void SetListIndex(Integer index) override;

  private:
    void CheckEntry(Integer index) const;

    QComboBox& box_;
    Integer newIndex_ = -1;
};

class ScrollBar final : public platform::ScrollBarControl {
  public:
    explicit ScrollBar(QScrollBar& bar) : bar_(bar) {}

    Integer Value() const override;
    void SetValue(Integer value) override;

  private:
    QScrollBar& bar_;
};

// A label's place and size as laid out at run time, in twips.
class Label final : public platform::LabelControl {
  public:
    explicit Label(const QLabel& label) : label_(label) {}

    float Left() const override;
    float Top() const override;
    float Width() const override;
    float Height() const override;

  private:
    const QLabel& label_;
};

}  // namespace linux_
