// The TIFF properties report: the main tags of one directory of a file, read afresh through the
// library, one line per tag.
#pragma once

#include "core/GrowArray.h"
#include "core/Messages.h"

#include <string>

namespace gc {

// Appends the report lines of directory `directory` of the file to `lines`; appends nothing when the
// file cannot be opened (the library's error reaches `messages`). Tags the directory does not carry
// read as 0.
void FormatTiffProperties(const std::string& path, int directory, GrowArray<std::string>& lines,
                          Messages& messages);

// The report as the information box shows it: path + " has the following properties:\n", then each
// line followed by "\n".
std::string TiffPropertiesText(const std::string& path, const GrowArray<std::string>& lines);

// Names of compression and photometric values; empty for a value the report does not name.
const char* CompressionName(int value);
const char* PhotometricName(int value);

} // namespace gc
