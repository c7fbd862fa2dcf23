// Where the values of picked boxes come from: for an image read from a TIFF, JPEG or BMP file the
// grey levels shown (PickSampleValue), for a section of an MRC file the file's own values of that
// section. Saving reads each box row by row through PickRowSource.
#pragma once

#include "image/DIBSection.h"

#include <memory>
#include <string>

namespace gc {

// The picked image as saving sees it: the MRC file and section it was read from, or neither.
struct PickMicrograph {
    std::string m_strMrcPath; // empty for an image read from a TIFF, JPEG or BMP file
    int m_nSection = 0;       // 0-based section of the MRC file
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

// One box sample: the mean of red, green and blue truncated to an integer.
float PickSampleValue(const DIBSection& image, int x, int y);

// The grey levels of `image` (which must outlive the source).
std::unique_ptr<PickRowSource> DisplayRowSource(const DIBSection& image);
// The values of section `section` of the MRC file at `path`; nullptr when it cannot be read as an
// MRC section of `width` × `height` values (the image shown was read from it).
std::unique_ptr<PickRowSource> MrcRowSource(const std::string& path, int section, int width, int height);

} // namespace gc
