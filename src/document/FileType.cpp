// File types from names and contents, and the name a save writes to.
#include "ImageDocument.h"

#include "document/DocumentMessages.h"
#include "image/MrcContent.h"

#include <cctype>
#include <iterator>

namespace gc {

FileType FileTypeFromName(const std::string& path) {
    std::string name = path;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t length = name.size();
    if (length <= 4)
        return FT_UNKNOWN;
    const std::string last4 = name.substr(length - 4);
    const std::string last5 = name.substr(length - 5);
    if (last4 == ".BMP")
        return FT_BMP;
    if (last4 == ".JPG" || last5 == ".JPEG")
        return FT_JPEG;
    if (last4 == ".TIF" || last5 == ".TIFF")
        return FT_TIFF;
    if (last4 == ".GIF")
        return FT_GIF;
    if (last4 == ".MRC")
        return FT_MRC;
    if (name[length - 4] == '.')
        return FT_OTHER;
    return FT_UNKNOWN;
}

FileType FileTypeOf(const std::string& path) {
    return IsMrcFile(path) ? FT_MRC : FileTypeFromName(path);
}

std::string SavePathForFilter(const std::string& chosenPath, int filterIndex) {
    if (FileTypeFromName(chosenPath) != FT_UNKNOWN)
        return chosenPath;
    const int entries = static_cast<int>(std::size(SAVE_FILTERS));
    const int index = (filterIndex >= 0 && filterIndex < entries) ? filterIndex : 0;
    return chosenPath + SAVE_FILTERS[index].m_szExtension;
}

} // namespace gc
