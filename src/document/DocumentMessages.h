// Texts shown by the image document: open and save, the file choosers' filters, the TIFF and MRC
// properties reports, and the command line's export and properties commands.
#pragma once

namespace gc {

// Open and save.
inline constexpr const char* MSG_NO_SUPPORT_FOR_TYPE = "No support for this type of file";
inline constexpr const char* MSG_GIF_NOT_SUPPORTED = "GIF files not supported";
inline constexpr const char* MSG_FILE_TYPE_NOT_SUPPORTED = "File type not supported";
inline constexpr const char* MSG_UNKNOWN_FILE_TYPE = "Unknown file type";
// A save whose writer failed: this text followed by the target path.
inline constexpr const char* MSG_IMAGE_NOT_WRITTEN = "The image could not be written to ";
// The detail of a save refused because the target was made read-only: this text followed by its path.
inline constexpr const char* MSG_IMAGE_READ_ONLY = "read-only: ";
// The detail of a save refused because the opened file lost data since it was opened.
inline constexpr const char* MSG_IMAGE_SOURCE_CHANGED =
    "the opened file was made shorter since it was opened: ";

// One entry of a file chooser's filter: the description shown, the name patterns it selects
// (separated by ";") and, for the save chooser, the extension appended to a name of unknown type.
struct FileFilterEntry {
    const char* m_szDescription;
    const char* m_szPatterns;
    const char* m_szExtension;
};

// The open chooser's entries, the combined one first and selected.
inline constexpr FileFilterEntry OPEN_FILTERS[] = {
    {"BMP, JPEG, and TIFF Files", "*.bmp;*.jpg;*.jpeg;*.tif;*.tiff", ""},
    {"BMP Files (*.bmp)", "*.bmp", ""},
    {"JPEG Files (*.jpg)", "*.jpg;*.jpeg", ""},
    {"TIFF Files (*.tif)", "*.tif;*.tiff", ""},
    {"MRC Files (*.mrc)", "*.mrc;*.mrcs;*.map;*.st;*.rec;*.ali", ""},
};
// The save chooser's entries, BMP first and selected.
inline constexpr FileFilterEntry SAVE_FILTERS[] = {
    {"BMP File (*.bmp)", "*.bmp", ".bmp"},
    {"JPEG File (*.jpg)", "*.jpg;*.jpeg", ".jpg"},
    {"TIFF File (*.tif)", "*.tif;*.tiff", ".tif"},
};

// The properties report: the path, then this heading, then one line per tag.
inline constexpr const char* MSG_PROPERTIES_HEADING = " has the following properties:\n";
inline constexpr const char* PROPERTY_IMAGEWIDTH = "TIFFTAG_IMAGEWIDTH = %d";
inline constexpr const char* PROPERTY_IMAGELENGTH = "TIFFTAG_IMAGELENGTH = %d";
inline constexpr const char* PROPERTY_BITSPERSAMPLE = "TIFFTAG_BITSPERSAMPLE = %d";
inline constexpr const char* PROPERTY_MINSAMPLEVALUE = "TIFFTAG_MINSAMPLEVALUE = ";
inline constexpr const char* PROPERTY_MAXSAMPLEVALUE = "TIFFTAG_MAXSAMPLEVALUE = ";
inline constexpr const char* PROPERTY_COMPRESSION = "TIFFTAG_COMPRESSION = ";
inline constexpr const char* PROPERTY_PHOTOMETRIC = "TIFFTAG_PHOTOMETRIC = ";
inline constexpr const char* PROPERTY_SAMPLESPERPIXEL = "TIFFTAG_SAMPLESPERPIXEL = %d";

struct TagValueName {
    int m_nValue;
    const char* m_szName;
};

inline constexpr TagValueName COMPRESSION_NAMES[] = {
    {1, "NONE"},
    {2, "CCITTRLE"},
    {3, "CCITTFAX3 or CCITT_T4"},
    {4, "CCITTFAX4 or CCITT_T6"},
    {5, "LZW"},
    {6, "OJPEG"},
    {7, "JPEG"},
    {8, "ADOBE_DEFLATE"},
    {32766, "NEXT"},
    {32771, "CCITTRLEW"},
    {32773, "PACKBITS"},
    {32809, "THUNDERSCAN"},
    {32895, "IT8CTPAD"},
    {32896, "IT8LW"},
    {32897, "IT8MP"},
    {32898, "IT8BL"},
    {32908, "PIXARFILM"},
    {32909, "PIXARLOG"},
    {32946, "DEFLATE"},
    {32947, "DCS"},
    {34661, "JBIG"},
    {34676, "SGILOG"},
    {34677, "SGILOG24"},
    {34712, "JP2000"},
};

inline constexpr TagValueName PHOTOMETRIC_NAMES[] = {
    {0, "MINISWHITE"}, {1, "MINISBLACK"}, {2, "RGB"},    {3, "PALETTE"}, {4, "MASK"},     {5, "SEPARATED"},
    {6, "YCBCR"},      {8, "CIELAB"},     {9, "ICCLAB"}, {10, "ITULAB"}, {32844, "LOGL"}, {32845, "LOGLUV"},
};

// The MRC properties report: the path and MSG_PROPERTIES_HEADING as for TIFF, then one line per
// header field, the mode followed by its name (nothing for a mode without one), then one line per
// label in use.
inline constexpr const char* MRC_PROPERTY_SIZE = "NX NY NZ = %d %d %d";
inline constexpr const char* MRC_PROPERTY_MODE = "MODE = %d";
inline constexpr const char* MRC_PROPERTY_CELLA = "CELLA = %g %g %g";
inline constexpr const char* MRC_PROPERTY_CELLB = "CELLB = %g %g %g";
inline constexpr const char* MRC_PROPERTY_DMIN = "DMIN = %g";
inline constexpr const char* MRC_PROPERTY_DMAX = "DMAX = %g";
inline constexpr const char* MRC_PROPERTY_DMEAN = "DMEAN = %g";
inline constexpr const char* MRC_PROPERTY_RMS = "RMS = %g";
inline constexpr const char* MRC_PROPERTY_NSYMBT = "NSYMBT = %d";
inline constexpr const char* MRC_PROPERTY_NLABL = "NLABL = %d";
inline constexpr const char* MRC_PROPERTY_LABEL = "LABEL %d = ";

inline constexpr TagValueName MRC_MODE_NAMES[] = {
    {0, " (8-bit integers)"},
    {1, " (16-bit signed integers)"},
    {2, " (32-bit reals)"},
    {6, " (16-bit unsigned integers)"},
};

// Command line: export and properties. Each text is followed by the path it names.
inline constexpr const char* MSG_NO_IMAGE_READ = "No image could be read from ";
inline constexpr const char* MSG_PROPERTIES_TIFF_ONLY = "properties describes TIFF and MRC files only: ";
// Followed by the image number asked for, " of ", the number of images and " in ", the path.
inline constexpr const char* MSG_NO_SUCH_IMAGE = "there is no image ";
// export's OUT that must not be replaced: OUT, this text, then one of the two reasons.
inline constexpr const char* MSG_EXPORT_NOT_WRITTEN = " is not written: ";
// Followed by IN: the same file (by device and inode) as the one exported from.
inline constexpr const char* MSG_EXPORT_IS_INPUT = "it is the file exported from, ";
// Followed by OUT: an existing file without write permission is kept.
inline constexpr const char* MSG_EXPORT_READ_ONLY = "read-only: ";

} // namespace gc
