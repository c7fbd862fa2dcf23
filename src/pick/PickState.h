// The pick state: the process-wide record of particle picking that the application object owns and
// the view reads for drawing and edits with the mouse. Centres are image coordinates, (0, 0) at the
// top-left pixel; slots 0..m_nPickCount-1 hold the picks in the order made, every other slot (-1, -1).
#pragma once

#include "image/MrcOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gc {

inline constexpr int MAX_PICKS = 1000;
// Mask sizes that OK in the settings dialog accepts and that picking works with.
inline constexpr int MIN_MASK_SIZE = 2;
inline constexpr int MAX_MASK_SIZE = 200;

struct PickPoint {
    std::int32_t x = -1;
    std::int32_t y = -1;
    bool operator==(const PickPoint&) const = default;
};

inline constexpr PickPoint EMPTY_PICK{-1, -1};

class PickState {
public:
    PickState() { ResetPickState(); }

    // Pick mode, collate, mask size and count to 0; every slot to (-1, -1). The open-file path stays.
    void ResetPickState();
    // The slots and the count only; used once the picks are saved (the mask size stays).
    void ClearPicks();

    bool IsMaskSizeValid() const { return m_nMaskSize >= MIN_MASK_SIZE && m_nMaskSize <= MAX_MASK_SIZE; }

    // Full path of the last opened image (or the last Run input): the base of the pick file names.
    std::string m_strOpenFilePath;
    int m_bPickMode = 0;
    int m_bCollate = 0;
    int m_nMaskSize = 0;
    int m_nPickCount = 0;
    std::vector<PickPoint> m_ptPicks = std::vector<PickPoint>(MAX_PICKS, EMPTY_PICK); // MAX_PICKS slots
    // How the boxes are written (kept by ResetPickState): the header style, and the pixel size in Å
    // (0 when not set: the image's own).
    MrcOptions mrc;
};

} // namespace gc
