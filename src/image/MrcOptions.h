// How MRC files are written, one record for every writer (the Run, Convert, picking) and their front
// ends: the header style and the pixel size. The pixel size of a binned copy follows from it in one
// place (BinnedPixelSize). Also how a pixel size is shown and read back from a text field.
#pragma once

#include <string>

namespace gc {

// Classic keeps the 2000 revision's header bytes; Mrc2014 writes the 2014 standard's (MrcOutputFile.h).
enum class MrcStyle { Classic, Mrc2014 };

// Å per pixel a writer takes at most.
inline constexpr double MAX_PIXEL_SIZE = 1000.0;

struct MrcOptions {
    MrcStyle style = MrcStyle::Classic;
    double pixelSize = 0; // Å per pixel of the full-size outputs; 0 when not given

    bool IsMrc2014() const { return style == MrcStyle::Mrc2014; }
    // The pixel size of a copy binned `binning` × `binning` (0 or 1: the full size); 0 when not given.
    double BinnedPixelSize(int binning) const { return binning > 1 ? pixelSize * binning : pixelSize; }
};

// The style the --mrc2014 switch or the desktop's preference chooses.
inline MrcStyle MrcStyleFor(bool mrc2014) {
    return mrc2014 ? MrcStyle::Mrc2014 : MrcStyle::Classic;
}

// A pixel size in Å as summaries and fields show it (up to six significant digits), and read back
// from a field: empty is "not set" (0); anything but a number in (0, MAX_PIXEL_SIZE] is refused.
std::string PixelSizeText(double angstrom);
bool PixelSizeFromText(const std::string& text, double& angstrom);

} // namespace gc
