// The placement picture of a scan: the scan reduced so that its longer side is about 2,000 pixels
// (one sample per block of scale × scale pixels), built from the tiles as the Run decodes them, with
// every found image outlined in its own colour and labelled with its output file's name (the outline
// dashed and the reasons written under the label when it has size warnings). Drawn with cairo and
// kept as PNG bytes, which the command line writes beside the outputs and the desktop program shows.
#pragma once

#include "RunRecord.h"
#include "ScanCheck.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gc {

inline constexpr int PREVIEW_LONGER_SIDE = 2000;

class PlacementPreview {
public:
    explicit PlacementPreview(const ScanGeometry& geometry);

    // Takes the samples that fall in decoded tile `tile`. Threads may add different tiles at once.
    void AddTile(int tile, const unsigned char* pixels);

    int Width() const { return width; }
    int Height() const { return height; }
    const std::vector<unsigned char>& Pixels() const { return pixels; } // Width() × Height(), row-major

    // The picture with the outlines and labels of `images`, as PNG bytes; empty if drawing fails.
    std::vector<unsigned char> RenderPng(const std::vector<ImageRecord>& images) const;

private:
    int scale = 1;
    int width = 0, height = 0;
    int tileWidth = 0, tileLength = 0, tilesAcross = 1;
    std::vector<unsigned char> pixels;
};

// The picture's file name for a scan: "<folder>/<scan name>_placements.png", the scan name being its
// file name up to the first "."; `folder` ends in "/" or is empty (the scan's own folder).
std::string PlacementPictureName(const std::string& scanPath, const std::string& folder);

} // namespace gc
