// The MRC properties report: every number is the header's own, as read from the file (in the byte
// order of its machine stamp); the data are not read.
#include "MrcProperties.h"

#include "core/FileHandles.h"
#include "document/DocumentMessages.h"
#include "document/TiffProperties.h"
#include "image/MrcHeader.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace gc {
namespace {

// One line from a format and its values, in a buffer of the report's line length.
template <typename... Values> std::string FormatLine(const char* format, Values... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

// A label as a line of text: bytes outside printable ASCII become '?'.
std::string PrintableLabel(std::string label) {
    for (char& c : label)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    return label;
}

} // namespace

const char* MrcModeName(int mode) {
    for (const TagValueName& name : MRC_MODE_NAMES)
        if (name.m_nValue == mode)
            return name.m_szName;
    return "";
}

void FormatMrcProperties(const std::string& path, GrowArray<std::string>& lines) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    MrcHeader header;
    if (!file || !header.Read(file.get()))
        return;
    const auto real = [](float value) { return static_cast<double>(value); };
    lines.Add(FormatLine(MRC_PROPERTY_SIZE, header.m_nNX, header.m_nNY, header.m_nNZ));
    lines.Add(FormatLine(MRC_PROPERTY_MODE, header.m_nMode) + MrcModeName(header.m_nMode));
    lines.Add(FormatLine(MRC_PROPERTY_CELLA, real(header.m_fCellA[0]), real(header.m_fCellA[1]),
                         real(header.m_fCellA[2])));
    lines.Add(FormatLine(MRC_PROPERTY_CELLB, real(header.m_fCellB[0]), real(header.m_fCellB[1]),
                         real(header.m_fCellB[2])));
    lines.Add(FormatLine(MRC_PROPERTY_DMIN, real(header.m_fDMin)));
    lines.Add(FormatLine(MRC_PROPERTY_DMAX, real(header.m_fDMax)));
    lines.Add(FormatLine(MRC_PROPERTY_DMEAN, real(header.m_fDMean)));
    lines.Add(FormatLine(MRC_PROPERTY_RMS, real(header.m_fRms)));
    lines.Add(FormatLine(MRC_PROPERTY_NSYMBT, header.m_nNSymBT));
    lines.Add(FormatLine(MRC_PROPERTY_NLABL, header.m_nLabels));
    const int labels = std::clamp(header.m_nLabels, 0, MRC_LABEL_COUNT);
    for (int i = 0; i < labels; ++i)
        lines.Add(FormatLine(MRC_PROPERTY_LABEL, i + 1) + PrintableLabel(header.Label(i)));
}

bool MrcHeaderPropertiesText(const std::string& path, std::string& text, int& sections) {
    sections = 0;
    MrcHeader header;
    {
        FileHandle file(std::fopen(path.c_str(), "rb"));
        if (!file || !header.Read(file.get()) || header.m_nNX < 1 || header.m_nNY < 1 || header.m_nNZ < 1)
            return false;
    }
    GrowArray<std::string> lines;
    FormatMrcProperties(path, lines);
    text = TiffPropertiesText(path, lines);
    sections = header.m_nNZ;
    return true;
}

} // namespace gc
