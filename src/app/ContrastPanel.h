// ContrastPanel: the view's display mapping by hand. A small histogram of the image's values with
// the black and white levels marked, two sliders that move them, Invert and Auto. It changes the
// display only; the view keeps the mapping.
#pragma once

#include "view/DisplayMapping.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QSlider;

namespace gc {

class ContrastPanel : public QWidget {
    Q_OBJECT
public:
    // `apply` is called with every new mapping; `automatic` gives the automatic one.
    ContrastPanel(std::function<void(const DisplayMapping&)> apply, std::function<DisplayMapping()> automatic,
                  QWidget* parent = nullptr);

    // Shows `histogram` with the levels of `mapping`.
    void Show(const ValueHistogram& histogram, const DisplayMapping& mapping);

    static constexpr int SLIDER_STEPS = 1000;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double ValueAt(int step) const;
    int StepOf(double value) const;
    void SlidersMoved();

    std::function<void(const DisplayMapping&)> m_apply;
    std::function<DisplayMapping()> m_automatic;
    ValueHistogram m_histogram;
    DisplayMapping m_mapping;
    QSlider* m_pLow = nullptr;
    QSlider* m_pHigh = nullptr;
    QCheckBox* m_pInvert = nullptr;
    bool m_bShowing = false;
};

} // namespace gc
