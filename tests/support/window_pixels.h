// Reading the main window's look off its pixels, the same way on both targets: the gaps between
// the links' blue captions, the thickness of the separator lines at the window's edges, and how
// heavy the strokes of a caption are.
#pragma once

#include <cstdint>
#include <vector>

namespace look {

// A client area's pixels, 0xRRGGBB, row by row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t At(int x, int y) const {
        return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
    }
};

struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
};

inline int Red(std::uint32_t c) {
    return static_cast<int>(c >> 16 & 0xff);
}
inline int Green(std::uint32_t c) {
    return static_cast<int>(c >> 8 & 0xff);
}
inline int Blue(std::uint32_t c) {
    return static_cast<int>(c & 0xff);
}

// Mostly the links' pure blue, after the text's antialiasing.
inline bool IsLinkInk(std::uint32_t c) {
    return Blue(c) > 150 && Red(c) < 130 && Green(c) < 130;
}

// Pixels between the last link ink left of `split` and the first at or right of it, in the rows
// of `row`; -1 when either side has none.
inline int InkGapAt(const Pixels& pixels, const Box& row, int split) {
    int last = -1;
    int first = -1;
    for (int x = row.left; x < row.right; ++x) {
        for (int y = row.top; y < row.bottom; ++y) {
            if (!IsLinkInk(pixels.At(x, y))) continue;
            if (x < split) last = x;
            if (x >= split && first < 0) first = x;
        }
    }
    return last < 0 || first < 0 ? -1 : first - last - 1;
}

// Lengths, top to bottom, of the runs of exactly `color` in column x.
inline std::vector<int> RunsInColumn(const Pixels& pixels, int x, std::uint32_t color) {
    std::vector<int> runs;
    int length = 0;
    for (int y = 0; y <= pixels.height; ++y) {
        if (y < pixels.height && (pixels.At(x, y) & 0xffffff) == color) {
            ++length;
        } else if (length > 0) {
            runs.push_back(length);
            length = 0;
        }
    }
    return runs;
}

// The mean width, in pixels of full ink, of the horizontal strokes of dark text on `background`
// inside `box`: all the ink, divided by the number of times a row enters a stroke. A bold face
// has wider strokes than a regular one whatever the text.
inline double StrokeWidth(const Pixels& pixels, const Box& box, std::uint32_t background) {
    const auto luminance = [](std::uint32_t c) {
        return 0.299 * Red(c) + 0.587 * Green(c) + 0.114 * Blue(c);
    };
    const double paper = luminance(background);
    double ink = 0;
    int strokes = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        bool inStroke = false;
        for (int x = box.left; x < box.right; ++x) {
            double darkness = (paper - luminance(pixels.At(x, y))) / paper;
            darkness = darkness < 0 ? 0 : darkness;
            ink += darkness;
            if (darkness > 0.5 && !inStroke) ++strokes;
            inStroke = darkness > 0.5;
        }
    }
    return strokes == 0 ? 0 : ink / strokes;
}

}  // namespace look
