// What the viewer's status bar tells about the pointer, without windows: the pixel's own value in an
// MRC file (read from the file on demand, so the viewer keeps only its grey picture), the texts of
// the zoom, position and value panes, and the display-only contrast stretch of View ▸ Auto Contrast.
#pragma once

#include "core/FileHandles.h"
#include "image/DIBSection.h"
#include "image/MrcHeader.h"

#include <array>
#include <optional>
#include <string>

namespace gc {

// Reads single values of an MRC file's sections as stored (byte, signed or unsigned 16-bit, float),
// in the file's byte order; rows as stored, which is how the viewer shows them from the top.
class MrcValueProbe {
public:
    // False (and nothing open) when the file cannot be opened or its header cannot be read.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_strPath; }
    int Mode() const { return m_header.m_nMode; }
    // The value of pixel (x, y) of section `section`; nothing outside the data or on a read failure.
    std::optional<double> ValueAt(int section, int x, int y) const;

private:
    FileHandle m_file;
    std::string m_strPath;
    MrcHeader m_header;
};

// "Zoom 25%": the factor as a percentage, at most one decimal.
std::string ZoomPaneText(float zoom);
// "x 12, y 7": 1-based, as cut and pick coordinates count.
std::string PositionPaneText(int x, int y);
// The value pane for an MRC pixel: "value 12" for integer modes, "value 0.2531" for floats.
std::string MrcValuePaneText(double value, int mode);
// The value pane for a picture pixel: "grey 12" when its three components agree, else "RGB 1, 2, 3".
std::string PictureValuePaneText(unsigned char red, unsigned char green, unsigned char blue);

// Display contrast: grey level in, grey level out.
using ContrastTable = std::array<unsigned char, 256>;
inline constexpr double AUTO_CONTRAST_LOW_QUANTILE = 0.005;
inline constexpr double AUTO_CONTRAST_HIGH_QUANTILE = 0.995;
// The identity table.
ContrastTable IdentityContrast();
// Stretches the levels between the 0.5 % and 99.5 % quantiles of the image's samples (every colour
// component counts) over 0..255; the identity for an image of one level. Reads the image only.
ContrastTable AutoContrastTable(const DIBSection& image);

} // namespace gc
