// The review of suggested picks: marks, the pick list they change, and the undo steps.
#include "CandidateReview.h"

#include <algorithm>
#include <cmath>

namespace gc {
namespace {

// Removes the first pick at `centre` from the list, keeping it dense as RemovePick does.
void TakeOut(PickState& picks, PickPoint centre) {
    for (int i = 0; i < picks.m_nPickCount; ++i)
        if (picks.m_ptPicks[static_cast<std::size_t>(i)] == centre) {
            for (int k = i + 1; k < picks.m_nPickCount; ++k)
                picks.m_ptPicks[static_cast<std::size_t>(k - 1)] =
                    picks.m_ptPicks[static_cast<std::size_t>(k)];
            picks.m_ptPicks[static_cast<std::size_t>(--picks.m_nPickCount)] = EMPTY_PICK;
            return;
        }
}

} // namespace

CandidateReview::CandidateReview(std::vector<AutoPickCandidate> candidates, double threshold)
    : m_candidates(std::move(candidates)), m_marks(m_candidates.size(), CandidateMark::Suggested),
      m_dThreshold(threshold) {}

double CandidateReview::BestScore() const {
    return m_candidates.empty() ? 0.0 : m_candidates.front().m_fScore;
}

bool CandidateReview::IsShown(int index) const {
    const auto i = static_cast<std::size_t>(index);
    return m_marks[i] == CandidateMark::Suggested && m_candidates[i].m_fScore >= m_dThreshold;
}

int CandidateReview::ShownCount() const {
    int count = 0;
    for (int i = 0; i < static_cast<int>(m_candidates.size()); ++i)
        count += IsShown(i) ? 1 : 0;
    return count;
}

int CandidateReview::AcceptedCount() const {
    return static_cast<int>(std::count(m_marks.begin(), m_marks.end(), CandidateMark::Accepted));
}

std::vector<CandidateCircle> CandidateReview::Circles() const {
    std::vector<CandidateCircle> circles;
    const double span = std::max(BestScore() - m_dThreshold, 1e-6);
    for (std::size_t i = 0; i < m_candidates.size(); ++i) {
        if (!IsShown(static_cast<int>(i)) && m_marks[i] != CandidateMark::Accepted)
            continue;
        const AutoPickCandidate& c = m_candidates[i];
        // Infinite scores or thresholds give no number here; such a circle takes the lowest shade.
        const double ratio = (c.m_fScore - m_dThreshold) / span;
        const double shade = std::isnan(ratio) ? 0.0 : std::clamp(ratio, 0.0, 1.0);
        circles.push_back({c.m_centre, 0.5f * c.m_fDiameter, static_cast<float>(shade), m_marks[i]});
    }
    return circles;
}

int CandidateReview::CandidateAt(PickPoint at, bool acceptedToo) const {
    int best = -1;
    double bestDistance = 0;
    for (std::size_t i = 0; i < m_candidates.size(); ++i) {
        if (!IsShown(static_cast<int>(i)) && !(acceptedToo && m_marks[i] == CandidateMark::Accepted))
            continue;
        const AutoPickCandidate& c = m_candidates[i];
        const double distance = std::hypot(c.m_centre.x - at.x, c.m_centre.y - at.y);
        if (distance <= 0.5 * c.m_fDiameter && (best < 0 || distance < bestDistance)) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

void CandidateReview::Mark(int index, CandidateMark mark, PickState& picks) {
    const auto i = static_cast<std::size_t>(index);
    if (m_marks[i] == CandidateMark::Accepted)
        TakeOut(picks, m_candidates[i].m_centre);
    if (mark == CandidateMark::Accepted)
        picks.m_ptPicks[static_cast<std::size_t>(picks.m_nPickCount++)] = m_candidates[i].m_centre;
    m_marks[i] = mark;
}

bool CandidateReview::Accept(PickPoint at, PickState& picks) {
    const int index = CandidateAt(at, false);
    if (index < 0 || picks.m_nPickCount >= MAX_PICKS)
        return false;
    m_steps.push_back({{index}, m_marks[static_cast<std::size_t>(index)]});
    Mark(index, CandidateMark::Accepted, picks);
    return true;
}

bool CandidateReview::Remove(PickPoint at, PickState& picks) {
    const int index = CandidateAt(at, true);
    if (index < 0)
        return false;
    m_steps.push_back({{index}, m_marks[static_cast<std::size_t>(index)]});
    Mark(index, CandidateMark::Removed, picks);
    return true;
}

int CandidateReview::AcceptAll(PickState& picks) {
    Step step{{}, CandidateMark::Suggested};
    for (int i = 0; i < static_cast<int>(m_candidates.size()) && picks.m_nPickCount < MAX_PICKS; ++i)
        if (IsShown(i)) {
            Mark(i, CandidateMark::Accepted, picks);
            step.m_indices.push_back(i);
        }
    const int accepted = static_cast<int>(step.m_indices.size());
    if (accepted > 0)
        m_steps.push_back(std::move(step));
    return accepted;
}

bool CandidateReview::Undo(PickState& picks) {
    if (m_steps.empty())
        return false;
    const Step step = std::move(m_steps.back());
    m_steps.pop_back();
    for (auto index = step.m_indices.rbegin(); index != step.m_indices.rend(); ++index)
        Mark(*index, step.m_previous, picks);
    return true;
}

} // namespace gc
