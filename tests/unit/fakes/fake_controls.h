// Plain-memory controls with the refusal rules of the real ones: a list index outside
// -1..count-1 and a volume outside 0..100 are refused and leave the control unchanged.
#pragma once

#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/controls.h"

namespace fake {

class ListBox : public platform::ListControl {
  public:
    void Clear() override {
        items_.clear();
        data_.clear();
        index_ = -1;
        newIndex_ = -1;
    }
    void AddItem(const std::string& text) override {
        items_.push_back(text);
        data_.push_back(0);
        newIndex_ = static_cast<Integer>(items_.size() - 1);
    }
    Integer NewIndex() const override { return newIndex_; }
    Integer ListCount() const override { return static_cast<Integer>(items_.size()); }
    std::string List(Integer index) const override { return items_.at(Checked(index)); }
    Long ItemData(Integer index) const override { return data_[Checked(index)]; }
    void SetItemData(Integer index, Long value) override { data_[Checked(index)] = value; }
    Integer ListIndex() const override { return index_; }
    void SetListIndex(Integer index) override {
        if (index < -1 || index >= ListCount()) throw InvalidPropertyValue();
        index_ = index;
    }

  private:
    std::size_t Checked(Integer index) const {
        if (index < 0 || index >= ListCount()) throw InvalidPropertyValue();
        return static_cast<std::size_t>(index);
    }
    std::vector<std::string> items_;
    std::vector<Long> data_;
    Integer index_ = -1;
    Integer newIndex_ = -1;
};

class ScrollBar : public platform::ScrollBarControl {
  public:
    Integer Value() const override { return value_; }
    void SetValue(Integer value) override {
        if (value < 0 || value > 100) throw InvalidPropertyValue();
        value_ = value;
    }

  private:
    Integer value_ = 0;
};

struct Label : platform::LabelControl {
    float left = 0, top = 0, width = 0, height = 0;
    float Left() const override { return left; }
    float Top() const override { return top; }
    float Width() const override { return width; }
    float Height() const override { return height; }
};

// A window with a frame of fixed thickness around its client area. While minimised, size
// changes are refused as the real window system does.
struct Form : platform::FormControl {
    float clientHeight = 3840, clientWidth = 5325;
    float frameHeight = 450, frameWidth = 120;
    bool minimised = false;
    bool shown = true;
    int setHeightCalls = 0;
    int setWidthCalls = 0;

    Long hWnd() const override { return 0x1234; }
    Long IconHandle() const override { return 0x5678; }
    void Hide() override { shown = false; }
    void Show() override { shown = true; }
    float Height() const override { return clientHeight + frameHeight; }
    float Width() const override { return clientWidth + frameWidth; }
    float ScaleHeight() const override { return clientHeight; }
    float ScaleWidth() const override { return clientWidth; }
    void SetHeight(float twips) override {
        ++setHeightCalls;
        if (minimised) throw InvalidPropertyValue();
        clientHeight = twips - frameHeight;
    }
    void SetWidth(float twips) override {
        ++setWidthCalls;
        if (minimised) throw InvalidPropertyValue();
        clientWidth = twips - frameWidth;
    }
    float TwipsPerPixelX() const override { return 15.0f; }
};

}  // namespace fake
