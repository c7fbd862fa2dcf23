#include "SixPassReference.h"

#include <array>

namespace gc::test {

bool SixPassSplit(const std::vector<unsigned char>& pixels, const std::string& path, const ScanGeometry& g,
                  int imageCount, const OutputSettings& settings, OutputNamer& namer,
                  ImagePlacements& images) {
    const SearchConstants c = SearchConstants::For(g);
    const int width = g.m_nPaddedWidth;
    auto pixel = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; };
    ResetPlacements(images, imageCount);
    std::array<ImageOutput, MAX_IMAGES> outputs;
    std::vector<unsigned char> row(static_cast<std::size_t>(g.m_nExpectedWidth));

    for (int k = 0; k < imageCount; ++k) {
        const int m = k + 1;
        ImagePlacement& image = images[k];
        for (int y = 0; y < g.m_nPaddedHeight; ++y) {
            image.m_nRunState = 0;
            int pixelIndex = 0;
            std::fill(row.begin(), row.end(), 0);
            for (int x = 0; x < width; ++x) {
                const unsigned char p = pixel(x, y);
                const bool predecessor = m == 1 || images[k - 1].m_nState == PLACEMENT_FOUND;
                bool rowWindow = y < c.m_nQuarterHeight;
                if (m > 3) {
                    const long long above = images[k - 3].m_nY1;
                    rowWindow = above + c.m_nStep < y && y < above + c.m_nGapMax;
                }
                bool columnWindow = x < c.m_dQuarterWidth;
                if (m != 1 && m != 4) {
                    const long long left = images[k - 1].m_nX1;
                    columnWindow = left + c.m_nStep < x && x < left + c.m_nGapMax;
                }
                if (image.m_nState == PLACEMENT_SEARCHED && predecessor && p > 50 && rowWindow &&
                    columnWindow) {
                    if (x + c.m_nRunLength < width)
                        for (int j = x + 1; j <= x + c.m_nRunLength - 1; ++j)
                            if (image.m_nRunState == 0 || image.m_nRunState == 1)
                                image.m_nRunState = pixel(j, y) > 50 ? 1 : image.m_nRunState + 1;
                    if (image.m_nRunState == 1) {
                        image.m_nState = PLACEMENT_FOUND;
                        image.m_nX0 = x;
                        image.m_nY0 = y;
                        image.m_nX1 = x + g.m_nExpectedWidth;
                        image.m_nY1 = y + g.m_nExpectedHeight;
                        const int column = k % 3;
                        if (x > column * g.m_nCellWidth + g.m_nCellWidth8 ||
                            y > (m > 3 ? g.m_nCellHeight : 0) + g.m_nCellHeight8) {
                            image.m_nState = PLACEMENT_SEARCHED;
                            image.m_nRunState = 0;
                        }
                    }
                }
                if (image.m_nState == PLACEMENT_FOUND && image.m_nX0 <= x && x < image.m_nX1 &&
                    image.m_nY0 <= y && y < image.m_nY1)
                    row[static_cast<std::size_t>(pixelIndex++)] = p;
            }
            if (image.m_nState == PLACEMENT_FOUND && image.m_nY0 <= y && y < image.m_nY1) {
                if (image.m_nRowsDone == 0 &&
                    !outputs[k].Open(namer.MakeImageName(path, m), settings).Succeeded())
                    return false;
                if (++image.m_nRowsDone; !outputs[k].WriteRow(row.data()).Succeeded())
                    return false;
            }
        }
        if (settings.m_bTiff && image.m_nState == PLACEMENT_FOUND && !outputs[k].Finish().Succeeded())
            return false;
    }
    for (int k = 0; k < MAX_IMAGES; ++k)
        if (!settings.m_bTiff && images[k].m_nState == PLACEMENT_FOUND && !outputs[k].Finish().Succeeded())
            return false;
    return true;
}

} // namespace gc::test
