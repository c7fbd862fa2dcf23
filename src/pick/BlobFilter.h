// The band-pass filters of the particle search, applied in Fourier space (FFTW) to a levelled,
// reduced picture whose Fourier transform is whitened (divided by the square root of its radially averaged
// power): the scale-normalised Laplacian of a Gaussian at a few particle sizes, each in
// units of its own noise, keeping at every pixel the strongest response and the size that gave it;
// and a wide Gaussian smoothing that shows where the picture is darker than its surroundings over
// more than a particle (ice, aggregates, carbon). The picture is mirrored at its edges before the
// transforms, so nothing wraps around from the opposite side.
#pragma once

#include "PickPlane.h"

#include <vector>

namespace gc {

struct BlobFilterSettings {
    std::vector<double> m_sigmas;    // Gaussian widths of the Laplacian filters, in plane pixels
    double m_dSmoothingSigma = 0;    // width of the wide smoothing, in plane pixels
    bool m_bBrightParticles = false; // particles brighter than their surroundings
    int m_nThreads = 1;              // threads that run the inverse transforms, at least 1
};

struct BlobMaps {
    // The largest response over the sizes, each in units of its robust noise spread, so that a
    // particle of the searched contrast scores high and plain noise about 0 .. 3.
    PickPlane m_response;
    std::vector<unsigned char> m_scale; // index into m_sigmas of the size that gave m_response
    // The same for blobs of the opposite contrast: in noise as high as m_response, while particles
    // hardly raise it, so its maxima show how high noise alone scores.
    PickPlane m_opposite;
    // The smoothed picture, signed so that the particles' side (dark, or bright when inverted) is
    // positive, less a background plane fitted to it away from large areas on that side, in units of
    // the background's spread on the other side (contamination may cover much of the picture, or
    // fill its corners). It is as smooth as a particle is large, so it is kept reduced again: its
    // pixel (x, y) covers the plane pixels from (x, y) · m_nDarknessStep.
    PickPlane m_darkness;
    int m_nDarknessStep = 1;

    float DarknessAt(int planeX, int planeY) const {
        return m_darkness.At(planeX / m_nDarknessStep, planeY / m_nDarknessStep);
    }
};

// Whether FilterBlobs can run these filters: 1 to MAX_BLOB_SIZES Laplacian widths and a smoothing
// width, all finite, positive and no wider than MAX_BLOB_SIGMA.
inline constexpr int MAX_BLOB_SIZES = 255;
inline constexpr double MAX_BLOB_SIGMA = 1 << 20;
bool BlobFiltersValid(const BlobFilterSettings& settings);

// Filters `plane`, whose memory is given up once its Fourier transform is taken: the darkness first, then,
// once the plane is levelled (RemoveQuadraticBackground), the Laplacian filters. False when the settings are
// not valid, the plane is empty, memory runs out or a transform cannot be planned.
bool FilterBlobs(PickPlane plane, const BlobFilterSettings& settings, BlobMaps& maps);

// The smallest size at or above `size` whose only prime factors are 2, 3, 5 and 7 (fast transforms);
// `size` itself when there is none below the largest int.
int FastTransformSize(int size);

} // namespace gc
