// The low-pass display filter: a Gaussian blur of a block of values, separable, in place. The viewer
// applies it to the pyramid level in view (its sigma divided by the level's scale), for display only.
#pragma once

namespace gc {

// Below this sigma (in the level's pixels) the filter changes nothing worth its cost and is skipped.
inline constexpr double MIN_LOW_PASS_SIGMA = 0.5;
// The largest sigma the filter uses within one level; a wider one is held to it.
inline constexpr double MAX_LOW_PASS_SIGMA = 64.0;

// Pixels needed beyond a block's edges for a blur of `sigma`: three sigmas, rounded up.
int LowPassMargin(double sigma);

// Blurs width × height pixels of `channels` interleaved values each (rows one after the other) with
// a Gaussian of `sigma` pixels; values within LowPassMargin of an edge see only their side.
void GaussianBlur(float* values, int width, int height, int channels, double sigma);

// The filter's sigma in image pixels for a width given by the user: in ångström when the pixel size
// (Å per pixel) is known, otherwise already in pixels.
double LowPassSigmaPixels(double width, double pixelSize);

} // namespace gc
