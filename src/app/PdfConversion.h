// PDF conversion of the open image. The user names the PDF (the save chooser opens on the image's
// folder with "<base>.pdf"; an existing PDF is replaced only when the user says so). The image is
// written as an intermediate TIFF into a temporary folder beside the PDF, and the external converter
// (tiff2pdf, found on PATH, names as separate arguments) writes the PDF there too; nothing waits for
// it. When it ends, the PDF takes its name (a failed conversion leaves no PDF and no half-written one),
// the temporary folder with the intermediate TIFF goes, and the user is told what was written where
// or why nothing was.
#pragma once

#include "core/Messages.h"
#include "image/DIBSection.h"

#include <functional>
#include <string>

class QObject;

namespace gc {

// Splits a full path into folder, base name and extension. Scanning from the last character back
// to the second: every "." makes the rest the extension (so it ends up as everything after the file
// name's first dot), and the first "/" ends the scan, giving the folder before it and the base name
// after it up to the first dot. Without a "/" after the first character, folder and base name stay
// empty.
void SplitPath(const std::string& path, std::string& folder, std::string& baseName, std::string& extension);

// The name the PDF chooser proposes for the image at `imagePath`: "<folder>/<base>.pdf".
std::string ProposedPdfPath(const std::string& imagePath);
// The chosen name with ".pdf" added when it has no extension of that name.
std::string PdfPathOf(const std::string& chosen);

// Starts converting `image` into `pdfPath`. False (after its warning) when the intermediate could not
// be written. `written` is called with the PDF's path once it is in place; failures are warnings.
// The conversion's process and temporary folder belong to `owner` until the converter ends.
bool StartPdfConversion(const DIBSection& image, const std::string& pdfPath, Messages& messages,
                        QObject* owner, std::function<void(const std::string&)> written);

} // namespace gc
