// The Suggest Picks dialog's rules: the search, the slider's scale, the count and the review's steps.
#include "SuggestPicksForm.h"

#include "pick/PickMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gc {

SuggestFindResult SuggestPicksForm::Find(const std::string& diameterText, double pixelSize,
                                         bool brightParticles, PickRowSource& rows, int width, int height) {
    // A new search replaces the last one's candidates, also when it fails.
    m_review = {};
    m_nBoxSize = 0;
    double minimum = 0, maximum = 0;
    if (!ParseDiameterRange(diameterText, minimum, maximum))
        return SuggestFindResult::BadDiameter;
    const double scale = pixelSize > 0 ? 1.0 / pixelSize : 1.0;
    AutoPickSettings settings;
    settings.m_dDiameterMin = minimum * scale;
    settings.m_dDiameterMax = maximum * scale;
    settings.m_bBrightParticles = brightParticles;
    settings.m_nBoxSize =
        m_picks.IsMaskSizeValid() ? m_picks.m_nMaskSize : SuggestedBoxSize(settings.m_dDiameterMax);
    AutoPickResult found = FindParticles(rows, width, height, settings);
    switch (found.m_outcome) {
    case AutoPickOutcome::Searched:
        m_review = CandidateReview(std::move(found.m_candidates), found.m_dAutomaticThreshold);
        m_nBoxSize = settings.m_nBoxSize;
        return SuggestFindResult::Found;
    case AutoPickOutcome::BadSettings:
        return SuggestFindResult::BadDiameter;
    case AutoPickOutcome::Unreadable:
        return SuggestFindResult::Unreadable;
    case AutoPickOutcome::OutOfMemory:
        break;
    }
    return SuggestFindResult::OutOfMemory;
}

int SuggestPicksForm::SliderPosition() const {
    const double best = m_review.BestScore();
    if (best <= 0)
        return 0;
    return std::clamp(static_cast<int>(std::lround(m_review.Threshold() / best * SLIDER_STEPS)), 0,
                      SLIDER_STEPS);
}

void SuggestPicksForm::OnSliderMoved(int position) {
    m_review.SetThreshold(m_review.BestScore() * std::clamp(position, 0, SLIDER_STEPS) / SLIDER_STEPS);
}

std::string SuggestPicksForm::CountText() const {
    char threshold[32];
    std::snprintf(threshold, sizeof threshold, "%.2f", m_review.Threshold());
    return std::to_string(m_review.ShownCount()) + pick_text::SUGGEST_COUNT_SHOWN +
           std::to_string(m_review.AcceptedCount()) + pick_text::SUGGEST_COUNT_ACCEPTED + threshold + ")";
}

bool SuggestPicksForm::PrepareList() {
    if (m_nBoxSize <= 0)
        return false;
    if (!m_picks.IsMaskSizeValid())
        m_picks.m_nMaskSize = m_nBoxSize;
    m_picks.m_bPickMode = 1;
    return true;
}

} // namespace gc
