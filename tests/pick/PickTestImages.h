// Images, a fixed clock and a picking state for the picking tests.
#pragma once

#include "image/DIBSection.h"
#include "pick/PickOperations.h"
#include "pick/PickState.h"

#include <chrono>
#include <string>

namespace gc::test {

// Sets pixel (x, y), y from the top, to the colour (red, green, blue).
inline void SetPixel(DIBSection& image, int x, int y, unsigned char red, unsigned char green,
                     unsigned char blue) {
    unsigned char* pixel = image.MemoryRow(image.GetHeight() - 1 - y) + 3 * x;
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
}

// Grey value of the test pattern at (x, y): differs between neighbours in both directions.
inline int PatternValue(int x, int y) {
    return (x * 7 + y * 13) % 251;
}

// A greyscale image (red = green = blue) holding the test pattern.
inline DIBSection PatternImage(int width, int height) {
    DIBSection image;
    image.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto grey = static_cast<unsigned char>(PatternValue(x, y));
            SetPixel(image, x, y, grey, grey, grey);
        }
    return image;
}

// 14:07:09.045 UTC on 5 March 2007.
inline std::chrono::system_clock::time_point PickTestTime() {
    using namespace std::chrono;
    return sys_days{year{2007} / March / 5} + hours{14} + minutes{7} + seconds{9} + milliseconds{45};
}

// Saving's surroundings with the clock stopped at PickTestTime.
inline PickSaveHooks FixedClock() {
    return {[] { return PickTestTime(); }, {}, {}};
}

// Pick mode on for `openFilePath` with boxes of `maskSize`, no picks yet.
inline PickState PickingState(const std::string& openFilePath, int maskSize, bool collate = false) {
    PickState state;
    state.m_strOpenFilePath = openFilePath;
    state.m_bPickMode = 1;
    state.m_nMaskSize = maskSize;
    state.m_bCollate = collate ? 1 : 0;
    return state;
}

} // namespace gc::test
