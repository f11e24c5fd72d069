#include "platform/win32/gdi/caption_size.h"

#include <string>
#include <vector>

namespace win32 {
namespace {

// A white scratch bitmap to draw black text into and read back.
class Scratch {
  public:
    Scratch(HFONT font, int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        oldBitmap_ = SelectObject(dc_, bitmap_);
        oldFont_ = SelectObject(dc_, font);
        SetTextColor(dc_, RGB(0, 0, 0));
        SetBkMode(dc_, TRANSPARENT);
    }
    ~Scratch() {
        SelectObject(dc_, oldFont_);
        SelectObject(dc_, oldBitmap_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    bool Usable() const { return bits_ != nullptr; }

    // The inked columns of `text` drawn from x, as [first, last]; {-1, -1} for none.
    std::pair<int, int> InkedColumns(int x, const std::string& text) {
        RECT all{0, 0, width_, height_};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutA(dc_, x, 0, text.c_str(), static_cast<int>(text.size()));
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits_);
        std::pair<int, int> inked{-1, -1};
        for (int column = 0; column < width_; ++column) {
            for (int row = 0; row < height_; ++row) {
                if ((pixels[row * width_ + column] & 0xffffff) != 0xffffff) {
                    if (inked.first < 0) inked.first = column;
                    inked.second = column;
                    break;
                }
            }
        }
        return inked;
    }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    void* bits_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
};

}  // namespace

std::string ShownCaption(std::string_view caption) {
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

SIZE CaptionSize(HFONT font, std::string_view caption) {
    const std::string shown = ShownCaption(caption);
    SIZE reported{};
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font);
    GetTextExtentPoint32A(screen, shown.c_str(), static_cast<int>(shown.size()), &reported);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    if (shown.empty()) return reported;

    // Where a bar drawn right after the caption lands, against where it lands drawn alone, is
    // the caption's advance as drawn.
    const int margin = reported.cy;
    Scratch scratch(font, reported.cx + 4 * margin, reported.cy);
    if (!scratch.Usable()) return reported;
    const auto bar = scratch.InkedColumns(margin, "|");
    const auto followed = scratch.InkedColumns(margin, shown + "|");
    if (bar.first < 0 || followed.second < 0) return reported;
    const int barStart = followed.second - (bar.second - bar.first);
    const int drawn = barStart - bar.first;
    if (drawn > 0 && drawn < reported.cx) reported.cx = drawn;
    return reported;
}

}  // namespace win32
