// Where the values of picked boxes come from: the image's own values as the document holds them
// (PixelStore) — the file's values of an MRC section or a 16-bit or float TIFF, the grey level of an
// 8-bit picture, the truncated mean of red, green and blue for a colour one. Saving reads each box
// row by row through PickRowSource.
#pragma once

#include "image/PixelStore.h"

#include <memory>
#include <string>

namespace gc {

// The picked image as saving sees it: the MRC file and section it was read from, or neither. An MRC
// micrograph's coordinate files count rows as stored.
struct PickMicrograph {
    std::string m_strMrcPath; // empty for an image read from a TIFF, JPEG or BMP file
    int m_nSection = 0;       // 0-based section of the MRC file
    double m_dPixelSize = 0;  // Å per pixel as the MRC file's header gives it (MrcHeader::PixelSize)
    bool IsMrc() const { return !m_strMrcPath.empty(); }
};

class PickRowSource {
public:
    virtual ~PickRowSource() = default;
    // Values of image row `row` (0 = the top row shown), columns left .. left + count - 1, all inside
    // the image, into `values`; false when they cannot be read.
    virtual bool ReadRow(int row, int left, int count, float* values) = 0;
    // The pixel size in Å that the source's file gives; 0 when it gives none.
    virtual double PixelSize() const { return 0; }
};

// The values of `image` (which must outlive the source), of `pixelSize` Å per pixel (0: unknown).
std::unique_ptr<PickRowSource> StoreRowSource(const PixelStore& image, double pixelSize = 0);

} // namespace gc
