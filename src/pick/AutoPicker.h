// Suggested picks: a search for round particles of a given diameter range in the image's own values.
//
// The image is read row by row and reduced by block averages until a particle of the smallest
// diameter is 16 to 24 pixels across; a quadratic background is taken out; the Fourier transform is whitened
// (every frequency brought to the same average power); the Laplacian of a Gaussian at a few sizes between the
// smallest and the largest diameter (in units of each size's noise) marks blob centres; local maxima closer
// than the smallest diameter to a better one are dropped. Each remaining maximum is a candidate with its
// score (the response in noise units) and the diameter that fit it best. Candidates on a large area darker
// than its surroundings (ice, aggregates, carbon) are dropped, and so, when a box size is given, are those
// whose box leaves the image (the rule of a pick made by hand). The automatic threshold compares the
// candidates with the blobs of the opposite contrast, which noise makes as often but particles do not
// (AutomaticThreshold).
#pragma once

#include "PickState.h"
#include "PickValues.h"

#include <cstddef>
#include <string>
#include <vector>

namespace gc {

struct AutoPickSettings {
    double m_dDiameterMin = 0; // particle diameters in image pixels, 1 <= min <= max
    double m_dDiameterMax = 0;
    bool m_bBrightParticles = false; // particles brighter than their surroundings (default: darker)
    int m_nBoxSize = 0;              // side of the boxes to be cut; 0 when no boxes are cut
    int m_nThreads = 0;              // 0: one per core
};

struct AutoPickCandidate {
    PickPoint m_centre;    // image pixels, (0, 0) at the top-left
    float m_fScore = 0;    // response in noise units: higher is more particle-like
    float m_fDiameter = 0; // the searched diameter (image pixels) that fit best
};

enum class AutoPickOutcome {
    Searched,    // m_candidates holds every candidate found (possibly none)
    BadSettings, // a diameter is not a number of pixels >= 1, min > max, or the largest one exceeds the image
    Unreadable,  // a row of the image could not be read
    OutOfMemory,
};

struct AutoPickResult {
    AutoPickOutcome m_outcome = AutoPickOutcome::BadSettings;
    std::vector<AutoPickCandidate> m_candidates; // best first
    double m_dAutomaticThreshold = 0;            // the score from which candidates are taken
    int m_nShrink = 1;                           // image pixels per reduced pixel
    // Dropped: candidates on a large dark area, candidates whose box leaves the image, and maxima
    // closer than the smallest diameter to a better one.
    int m_nOnDarkArea = 0;
    int m_nLeavingImage = 0;
    int m_nTooClose = 0;
};

// Whether the diameter range can be searched for in a `width` × `height` image: both finite and at
// least MIN_AUTO_PICK_DIAMETER pixels, min <= max, and the largest no larger than the image's shorter
// side.
inline constexpr double MIN_AUTO_PICK_DIAMETER = 1.0;
bool AutoPickDiametersFit(double diameterMin, double diameterMax, int width, int height);

// Searches the `width` × `height` image whose values `rows` gives.
AutoPickResult FindParticles(PickRowSource& rows, int width, int height, const AutoPickSettings& settings);

// Whether there are particles at all, told by the scores of the candidates against those of the
// blobs of the opposite contrast found the same way, which noise makes about as often as candidates
// but particles do not. OutnumberNoise: the candidates above some threshold outnumber those blobs by
// more than NOISE_MARGIN standard deviations of the difference (both taken as Poisson counts).
// Crowded particles hide this: the bright gaps between them are strong blobs of the opposite
// contrast. DominateNoise, given the maxima of both contrasts once suppressed together (a gap next
// to a better particle is then gone): above some threshold the candidates are at least NOISE_RATIO
// times as many as those blobs and outnumber them by NOISE_MARGIN standard deviations plus
// NOISE_SMALL_COUNTS (among the many thresholds tried, the few blobs above a high one may by chance
// all be of one contrast).
inline constexpr double NOISE_MARGIN = 2.0;
inline constexpr double NOISE_RATIO = 2.0;
inline constexpr double NOISE_SMALL_COUNTS = 6.0;
bool OutnumberNoise(std::vector<float> scores, std::vector<float> noiseScores);
bool DominateNoise(std::vector<float> scores, std::vector<float> noiseScores);

// The share of the candidates (`count`) that keep their place when the maxima of both contrasts are
// suppressed together (`jointCount`), at most 1 (1 when there are none). Noise maxima of the two
// contrasts are alike and suppress one another about as often as not, while a particle outscores the
// bright gaps around it: the fewer kept, the more of the candidates are noise.
double KeptShare(std::size_t jointCount, std::size_t count);

// The automatic threshold from the candidates' scores: without `particles`, above every score;
// otherwise a share of Otsu's split of the scores into a low (noise) and a high (particle) group.
// Where particles are many for the area (at least CROWDED_KEPT of the candidates kept, KeptShare)
// the noise scores lie closer together than the particles' and the cut that loses the fewest of
// either lies nearer to them than halfway: OTSU_SHARE. Where they are few the split falls among the
// noise maxima, whose upper tail then outnumbers the particles near it: the share grows by
// SPARSE_SLOPE per unit of kept share below CROWDED_KEPT. Never below MIN_AUTOMATIC_THRESHOLD.
inline constexpr double MIN_AUTOMATIC_THRESHOLD = 1.0;
inline constexpr double OTSU_SHARE = 0.9;
inline constexpr double CROWDED_KEPT = 0.76;
inline constexpr double SPARSE_SLOPE = 2.5;
double AutomaticThreshold(std::vector<float> scores, bool particles, double kept);

// Reads "MIN" or "MIN:MAX" (decimal numbers, nothing else in the text) into the two diameters; MIN
// alone gives both. False when the text is not of that form (the numbers are checked by
// AutoPickDiametersFit).
bool ParseDiameterRange(const std::string& text, double& diameterMin, double& diameterMax);

// The box side for particles up to `diameterMax` pixels: half as large again, even, within the sizes
// a pick allows.
int SuggestedBoxSize(double diameterMax);

// How many of `candidates` (best first) score at least `threshold`.
int CountAtOrAbove(const std::vector<AutoPickCandidate>& candidates, double threshold);

} // namespace gc
