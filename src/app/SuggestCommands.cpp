// Tools ▸ Suggest Picks...: the review of the particle search's candidates on the shown image. The
// window (SuggestPicksDialog) holds the search and the review; this file draws its candidates over
// the picture, takes presses on them, and closes the review when the image or the pick list it
// changed goes away.
#include "Application.h"
#include "MainWindow.h"
#include "view/ImageView.h"
#include "view/ZoomFactor.h"

#include <QColor>
#include <QLineEdit>

#include <algorithm>

namespace gc {
namespace {

// Suggestions from yellow (at the threshold) to red (the best score); accepted ones in cyan, beside
// the pick's own box.
QColor CandidateColour(const CandidateCircle& circle) {
    if (circle.m_mark == CandidateMark::Accepted)
        return {0, 220, 255};
    const float shade = std::clamp(circle.m_fShade, 0.0f, 1.0f);
    return QColor::fromHsvF((1.0f - shade) / 6.0f, 1.0f, 1.0f);
}

} // namespace

void Application::OnSuggestPicks() {
    const int index = m_pView->GetImageIndex();
    const PixelStore* image = m_document.GetImage(index);
    if (image == nullptr || !image->IsValid())
        return;
    if (m_pSuggest && m_nSuggestImage != index)
        CloseSuggestions();
    if (!m_pSuggest) {
        // The search reads the document's store of the image when Find is pressed.
        SuggestPicksImage shown{image->Width(), image->Height(),
                                [this, index]() -> std::unique_ptr<PickRowSource> {
                                    const PixelStore* store = m_document.GetImage(index);
                                    return store != nullptr ? StoreRowSource(*store) : nullptr;
                                }};
        m_pSuggest = new SuggestPicksDialog(m_pick, std::move(shown), *m_pMessages, m_pFrame.get(),
                                            [this] { ShowSuggestions(); });
        m_pSuggest->setAttribute(Qt::WA_DeleteOnClose);
        if (m_document.GetPixelSize() > 0)
            m_pSuggest->PixelSizeEdit()->setText(QString::number(m_document.GetPixelSize()));
        connect(m_pSuggest, &QDialog::finished, this, [this] { m_pView->SetOverlay({}); });
        m_nSuggestImage = index;
    }
    m_pSuggest->show();
    m_pSuggest->raise();
}

void Application::ShowSuggestions() {
    std::vector<OverlayCircle> circles;
    if (m_pSuggest)
        for (const CandidateCircle& circle : m_pSuggest->Circles())
            circles.push_back({static_cast<double>(circle.m_centre.x), static_cast<double>(circle.m_centre.y),
                               circle.m_fRadius, CandidateColour(circle)});
    m_pView->SetOverlay(std::move(circles));
    UpdatePickStatus();
    m_pView->DrawImage();
}

void Application::CloseSuggestions() {
    if (m_pSuggest)
        m_pSuggest->close();
    m_pSuggest = nullptr;
    m_nSuggestImage = -1;
    m_pView->SetOverlay({});
}

bool Application::ReviewClick(const PickPointer& pointer, bool remove) {
    if (!m_pSuggest || !m_pSuggest->isVisible() || pointer.imageIndex != m_nSuggestImage)
        return false;
    const PickPoint at{ImageCoordinate(pointer.window.x, pointer.scroll.x, m_fZoom),
                       ImageCoordinate(pointer.window.y, pointer.scroll.y, m_fZoom)};
    return remove ? m_pSuggest->RemoveAt(at) : m_pSuggest->AcceptAt(at);
}

} // namespace gc
