// Images, a fixed clock and a picking state for the picking tests.
#pragma once

#include "image/DIBSection.h"
#include "pick/PickOperations.h"
#include "pick/PickState.h"

#include <chrono>
#include <string>
#include <vector>

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

namespace gc {

// The tests draw their pictures as 24-bit images; picking reads a PixelStore. These take the picture's
// values as the document would hold them (PixelStore::FromPicture); an empty picture gives an empty
// store, a null one none.
inline AddPickResult AddPick(PickState& state, const DIBSection* picture, PickPoint centre) {
    const PixelStore store = picture != nullptr ? PixelStore::FromPicture(*picture) : PixelStore();
    return AddPick(state, picture != nullptr ? &store : nullptr, centre);
}
inline bool RemovePick(PickState& state, const DIBSection* picture, PickPoint position) {
    const PixelStore store = picture != nullptr ? PixelStore::FromPicture(*picture) : PixelStore();
    return RemovePick(state, picture != nullptr ? &store : nullptr, position);
}
inline SavePicksResult SavePicks(PickState& state, const DIBSection* picture, Messages& messages,
                                 const PickSaveHooks& hooks = {}, const PickMicrograph& micrograph = {},
                                 const std::vector<std::string>& otherInputs = {}) {
    const PixelStore store = picture != nullptr ? PixelStore::FromPicture(*picture) : PixelStore();
    return SavePicks(state, picture != nullptr ? &store : nullptr, messages, hooks, micrograph, otherInputs);
}

} // namespace gc
