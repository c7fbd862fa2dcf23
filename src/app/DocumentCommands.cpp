// The document's commands: File Open, Save and Save As through the choosers, the TIFF properties
// report and the PDF conversion of the current image. The document model does the reading and
// writing; these handlers add the choosers, the application's part of an open (the remembered path,
// the pick state) and the view's update.
#include "AppMessages.h"
#include "Application.h"
#include "MainWindow.h"
#include "PdfConversion.h"
#include "forms/OutputReport.h"
#include "view/ImageView.h"

#include <QStatusBar>

#include <filesystem>
#include <iterator>
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

// Asks for the PDF's name and place, then converts the current image in the background
// (PdfConversion); the status bar names the PDF once it is written.
void Application::OnConvertToPdf() {
    DIBSection image;
    const std::string proposed = ProposedPdfPath(m_document.GetImagePath());
    if (proposed.empty() || !m_document.GetPicture(m_document.GetCurrentImage(), image))
        return;
    m_pChooser->StartIn(proposed);
    const std::optional<ChosenFile> chosen = m_pChooser->ChooseSaveFile(PDF_FILTERS, 0);
    if (!chosen)
        return;
    const std::string pdf = PdfPathOf(chosen->m_strPath);
    if (!MayReplace(std::filesystem::exists(pdf) ? std::vector<std::string>{pdf} : std::vector<std::string>{},
                    m_pQuestions))
        return;
    StartPdfConversion(image, pdf, *m_pMessages, m_pFrame.get(), [this](const std::string& written) {
        m_pFrame->GetStatusBarWidget()->showMessage(
            QString(STATUS_PDF_WRITTEN).arg(QString::fromStdString(written)));
    });
}

} // namespace gc
