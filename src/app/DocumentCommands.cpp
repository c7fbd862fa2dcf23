// The document's commands: File Open, Save and Save As through the choosers, the TIFF properties
// report and the PDF conversion of the current image. The document model does the reading and
// writing; these handlers add the choosers, the application's part of an open (the remembered path,
// the pick state) and the view's update.
#include "AppMessages.h"
#include "Application.h"
#include "MainWindow.h"
#include "PdfConversion.h"
#include "core/PendingFile.h"
#include "image/TiffCodec.h"
#include "view/ImageView.h"

#include <filesystem>
#include <iterator>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace gc {

// The chooser offers every name the viewer reads first, then the documented entries.
void Application::OnFileOpen() {
    std::vector<FileFilterEntry> filters{{ALL_SUPPORTED_DESCRIPTION, ALL_SUPPORTED_PATTERNS, ""}};
    filters.insert(filters.end(), std::begin(OPEN_FILTERS), std::end(OPEN_FILTERS));
    const std::optional<ChosenFile> chosen = m_pChooser->ChooseOpenFile(filters, 0);
    if (!chosen)
        return;
    OpenPath(chosen->m_strPath);
}

void Application::OnFileSave() {
    const std::optional<ChosenFile> chosen = m_pChooser->ChooseSaveFile(SAVE_FILTERS, 0);
    if (!chosen)
        return;
    const std::string path = SavePathForFilter(chosen->m_strPath, chosen->m_nFilterIndex);
    EndIfFatal(OutcomeOf(m_document.SaveFile(path, *m_pMessages)));
}

void Application::OnFileSaveAs() {
    OnFileSave();
}

void Application::OnProperties() {
    if (m_document.CanShowProperties())
        m_document.ShowProperties(*m_pMessages);
}

// Writes the current image as "<base>_pdf.tif" in the working directory and starts the converter on
// it; the converter writes "<base>.pdf" there. Nothing is reported either way.
void Application::OnConvertToPdf() {
    std::string folder, baseName, extension;
    SplitPath(m_document.GetImagePath(), folder, baseName, extension);
    DIBSection image;
    if (!m_document.GetPicture(m_document.GetCurrentImage(), image) || baseName.empty())
        return;
    std::error_code error;
    const std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    const std::string tiffName = baseName + PDF_TIFF_SUFFIX;
    const std::string pdfName = baseName + PDF_SUFFIX;
    // Written whole under a temporary name first, like every other output.
    PendingFile pending(tiffName);
    if (const int fd = pending.Create(); fd >= 0)
        ::close(fd);
    if (WriteTiffFile(pending.TemporaryPath(), image, *m_pMessages, tiffName) != 0)
        pending.Commit();
    RunTiff2Pdf(tiffName, pdfName);
    if (!error)
        std::filesystem::current_path(workingDirectory, error);
}

} // namespace gc
