// Reviewing suggested picks before they are saved: the particle search's candidates shown above a
// threshold the user moves, each accepted into the pick list or removed with a click, all shown ones
// accepted at once, and every such step undone in turn. Accepted candidates are ordinary picks of
// the PickState, so saving writes them as it writes picks made by hand.
#pragma once

#include "AutoPicker.h"
#include "PickState.h"

#include <cmath>
#include <vector>

namespace gc {

enum class CandidateMark {
    Suggested, // shown while its score reaches the threshold
    Accepted,  // in the pick list
    Removed,   // not shown again
};

// What the view draws for one candidate: a circle of the particle's diameter, coloured by `m_fShade`
// (0 at the threshold .. 1 at the best score).
struct CandidateCircle {
    PickPoint m_centre;
    float m_fRadius = 0;
    float m_fShade = 0;
    CandidateMark m_mark = CandidateMark::Suggested;
};

class CandidateReview {
public:
    CandidateReview() = default;
    // The candidates best first (as FindParticles returns them); the threshold starts at `threshold`.
    CandidateReview(std::vector<AutoPickCandidate> candidates, double threshold);

    // A threshold that is not a number leaves the one set before.
    void SetThreshold(double threshold) {
        if (!std::isnan(threshold))
            m_dThreshold = threshold;
    }
    double Threshold() const { return m_dThreshold; }
    // The best score (0 without candidates): the slider's upper end.
    double BestScore() const;
    // Suggested candidates at or above the threshold.
    int ShownCount() const;
    int AcceptedCount() const;

    // The circles to draw: the shown suggestions and the accepted ones.
    std::vector<CandidateCircle> Circles() const;

    // Accepts the shown suggestion whose circle holds `at` (the nearest centre when several do) by
    // adding its centre to `picks`; false when there is none or the list is full.
    bool Accept(PickPoint at, PickState& picks);
    // Removes the shown or accepted candidate whose circle holds `at` (taking an accepted one out of
    // `picks`); false when there is none.
    bool Remove(PickPoint at, PickState& picks);
    // Accepts every shown suggestion, best first, while the list has room; returns how many.
    int AcceptAll(PickState& picks);
    // Undoes the last Accept, Remove or AcceptAll; false when there is nothing to undo.
    bool Undo(PickState& picks);

private:
    struct Step {
        std::vector<int> m_indices; // candidates whose mark changed
        CandidateMark m_previous = CandidateMark::Suggested;
    };

    bool IsShown(int index) const;
    int CandidateAt(PickPoint at, bool acceptedToo) const;
    void Mark(int index, CandidateMark mark, PickState& picks);

    std::vector<AutoPickCandidate> m_candidates;
    std::vector<CandidateMark> m_marks;
    double m_dThreshold = 0;
    std::vector<Step> m_steps;
};

} // namespace gc
