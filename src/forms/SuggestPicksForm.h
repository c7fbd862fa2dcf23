// What the "Suggest Picks" dialog (SuggestPicksDialog) does, apart from its widgets: Find searches
// the shown image for particles of the typed diameter (Å with a pixel size, pixels without); the
// threshold slider runs from 0 to the best score and the count follows it; clicks on the image
// accept or remove a candidate, Accept All takes every shown one, and Undo takes back each step.
// Accepted candidates are picks of the pick state (pick mode is switched on, with a box size from the
// diameter when none is set), so the usual save writes them.
#pragma once

#include "pick/AutoPicker.h"
#include "pick/CandidateReview.h"
#include "pick/PickState.h"
#include "pick/PickValues.h"

#include <string>

namespace gc {

enum class SuggestFindResult {
    Found,       // the review holds the candidates (perhaps none above the threshold)
    BadDiameter, // the diameter text is not MIN or MIN:MAX of positive numbers within the image
    Unreadable,  // the image's values could not be read
    OutOfMemory,
};

class SuggestPicksForm {
public:
    // The slider's positions: 0 .. SLIDER_STEPS over 0 .. the best score.
    static constexpr int SLIDER_STEPS = 1000;

    explicit SuggestPicksForm(PickState& picks) : m_picks(picks) {}

    SuggestFindResult Find(const std::string& diameterText, double pixelSize, bool brightParticles,
                           PickRowSource& rows, int width, int height);

    int SliderPosition() const;
    void OnSliderMoved(int position);
    // "N suggested, M accepted (threshold T)".
    std::string CountText() const;

    bool OnAccept(PickPoint at) { return PrepareList() && m_review.Accept(at, m_picks); }
    bool OnRemove(PickPoint at) { return m_review.Remove(at, m_picks); }
    int OnAcceptAll() { return PrepareList() ? m_review.AcceptAll(m_picks) : 0; }
    bool OnUndo() { return m_review.Undo(m_picks); }

    const CandidateReview& Review() const { return m_review; }

private:
    // Pick mode on, and a box size from the diameter when the pick state has none that is valid.
    bool PrepareList();

    PickState& m_picks;
    CandidateReview m_review;
    int m_nBoxSize = 0;
};

} // namespace gc
