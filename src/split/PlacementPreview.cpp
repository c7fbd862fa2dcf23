#include "PlacementPreview.h"

#include "core/PathStem.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace gc {
namespace {

// One colour per image, readable on grey and on each other.
constexpr double OUTLINE_COLOURS[][3] = {{0.95, 0.26, 0.21}, {0.30, 0.69, 0.31}, {0.13, 0.59, 0.95},
                                         {1.00, 0.76, 0.03}, {0.61, 0.15, 0.69}, {0.00, 0.74, 0.83}};
constexpr double OUTLINE_WIDTH = 3.0;
constexpr double LABEL_SIZE = 22.0;
constexpr double LABEL_PADDING = 4.0;

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// Cairo's surface and context, released when they go out of scope.
struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
using Context = std::unique_ptr<cairo_t, ContextRelease>;

// The reduced scan's greys into the surface's pixels (RGB24: one grey in all three channels).
void FillGreys(cairo_surface_t* surface, const std::vector<unsigned char>& pixels, int width, int height) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t grey = pixels[static_cast<std::size_t>(y) * width + x];
            row[x] = (grey << 16) | (grey << 8) | grey;
        }
    }
    cairo_surface_mark_dirty(surface);
}

// The outline of a found image at (x, y) of the picture, in the current colour. An image with a size
// warning is outlined dashed, from its top-left corner down first, so its left edge starts with a dash.
void DrawOutline(cairo_t* cr, const ImageRecord& image, double x, double y, int scale) {
    const double dashes[] = {4 * OUTLINE_WIDTH, 2 * OUTLINE_WIDTH};
    cairo_set_dash(cr, dashes, image.warnings.empty() ? 0 : 2, 0);
    const double left = x + OUTLINE_WIDTH / 2, top = y + OUTLINE_WIDTH / 2;
    const double right = left + static_cast<double>(image.width) / scale - OUTLINE_WIDTH;
    const double bottom = top + static_cast<double>(image.height) / scale - OUTLINE_WIDTH;
    cairo_move_to(cr, left, top);
    cairo_line_to(cr, left, bottom);
    cairo_line_to(cr, right, bottom);
    cairo_line_to(cr, right, top);
    cairo_close_path(cr);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

// The image's output file name in black on a box of the outline's colour inside its top-left
// corner, and under it the warnings' reasons, one a line, in the outline's colour on white.
void DrawLabels(cairo_t* cr, const ImageRecord& image, double x, double y, const double* colour) {
    const std::string label = image.name.substr(FileNameStart(image.name)) + AngleText(image);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, label.c_str(), &extents);
    const double boxX = x + OUTLINE_WIDTH;
    const double boxY = y + OUTLINE_WIDTH;
    cairo_rectangle(cr, boxX, boxY, extents.x_advance + 2 * LABEL_PADDING, LABEL_SIZE + 2 * LABEL_PADDING);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, boxX + LABEL_PADDING, boxY + LABEL_PADDING + LABEL_SIZE * 0.8);
    cairo_show_text(cr, label.c_str());
    cairo_set_font_size(cr, LABEL_SIZE * 0.7);
    double lineY = boxY + LABEL_SIZE + 2 * LABEL_PADDING;
    for (const std::string& warning : image.warnings) {
        cairo_text_extents(cr, warning.c_str(), &extents);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, boxX, lineY, extents.x_advance + 2 * LABEL_PADDING,
                        LABEL_SIZE * 0.7 + 2 * LABEL_PADDING);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, colour[0], colour[1], colour[2]);
        cairo_move_to(cr, boxX + LABEL_PADDING, lineY + LABEL_PADDING + LABEL_SIZE * 0.7 * 0.8);
        cairo_show_text(cr, warning.c_str());
        lineY += LABEL_SIZE * 0.7 + 2 * LABEL_PADDING;
    }
    cairo_set_font_size(cr, LABEL_SIZE);
}

} // namespace

PlacementPreview::PlacementPreview(const ScanGeometry& geometry)
    : tileWidth(static_cast<int>(geometry.m_nTileWidth)),
      tileLength(static_cast<int>(geometry.m_nTileLength)),
      tilesAcross(std::max(1, geometry.m_nTilesAcross)) {
    const int longer = static_cast<int>(std::max(geometry.m_nImageWidth, geometry.m_nImageLength));
    scale = std::max(1, (longer + PREVIEW_LONGER_SIDE - 1) / PREVIEW_LONGER_SIDE);
    width = (static_cast<int>(geometry.m_nImageWidth) + scale - 1) / scale;
    height = (static_cast<int>(geometry.m_nImageLength) + scale - 1) / scale;
    pixels.assign(static_cast<std::size_t>(width) * height, 0);
}

void PlacementPreview::AddTile(int tile, const unsigned char* tilePixels) {
    if (tileWidth <= 0 || tileLength <= 0)
        return;
    // Sample (px, py) is scan pixel (px · scale, py · scale): it lies in exactly one tile.
    const int left = (tile % tilesAcross) * tileWidth;
    const int top = (tile / tilesAcross) * tileLength;
    const int firstX = (left + scale - 1) / scale;
    const int firstY = (top + scale - 1) / scale;
    for (int py = firstY; py < height && py * scale < top + tileLength; ++py) {
        const unsigned char* row = tilePixels + static_cast<std::size_t>(py * scale - top) * tileWidth;
        unsigned char* out = pixels.data() + static_cast<std::size_t>(py) * width;
        for (int px = firstX; px < width && px * scale < left + tileWidth; ++px)
            out[px] = row[px * scale - left];
    }
}

std::vector<unsigned char> PlacementPreview::RenderPng(const std::vector<ImageRecord>& images) const {
    std::vector<unsigned char> png;
    if (width <= 0 || height <= 0)
        return png;
    const Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return png;
    FillGreys(surface.get(), pixels, width, height);
    {
        const Context context(cairo_create(surface.get()));
        cairo_t* cr = context.get();
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, LABEL_SIZE);
        cairo_set_line_width(cr, OUTLINE_WIDTH);
        for (const ImageRecord& image : images) {
            if (!image.found)
                continue;
            const double* colour = OUTLINE_COLOURS[(image.number - 1) % 6];
            const double x = static_cast<double>(image.x) / scale;
            const double y = static_cast<double>(image.y) / scale;
            cairo_set_source_rgb(cr, colour[0], colour[1], colour[2]);
            DrawOutline(cr, image, x, y, scale);
            DrawLabels(cr, image, x, y, colour);
        }
    } // the drawing is finished before the surface is written
    if (cairo_surface_write_to_png_stream(surface.get(), AppendPng, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    return png;
}

std::string PlacementPictureName(const std::string& scanPath, const std::string& folder) {
    const std::size_t nameStart = FileNameStart(scanPath);
    const std::string stem = StemToFirstDot(scanPath).substr(nameStart);
    const std::string where = folder.empty() ? scanPath.substr(0, nameStart) : folder;
    return where + stem + "_placements.png";
}

} // namespace gc
