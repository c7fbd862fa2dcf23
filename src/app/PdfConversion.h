// PDF conversion of the open image: the image is written as "<base>_pdf.tif" in the working
// directory and the external converter is started on it with "-o <base>.pdf"; nothing waits for it
// and nothing reports whether it worked (the PDF appearing is the only sign).
#pragma once

#include <string>

namespace gc {

// Splits a full path into folder, base name and extension. Scanning from the last character back
// to the second: every "." makes the rest the extension (so it ends up as everything after the file
// name's first dot), and the first "/" ends the scan, giving the folder before it and the base name
// after it up to the first dot. Without a "/" after the first character, folder and base name stay
// empty.
void SplitPath(const std::string& path, std::string& folder, std::string& baseName, std::string& extension);

// Starts the converter: tiff2pdf -o <pdf name> <tiff name>, without waiting. Returns whether it
// started (the command itself does not look at it).
bool RunTiff2Pdf(const std::string& tiffName, const std::string& pdfName);

} // namespace gc
