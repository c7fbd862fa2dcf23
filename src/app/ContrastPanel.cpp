// The histogram panel of the display mapping (ContrastPanel.h).
#include "ContrastPanel.h"

#include "AppMessages.h"

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace gc {
namespace {
constexpr int HISTOGRAM_HEIGHT = 80;
} // namespace

ContrastPanel::ContrastPanel(std::function<void(const DisplayMapping&)> apply,
                             std::function<DisplayMapping()> automatic, QWidget* parent)
    : QWidget(parent), m_apply(std::move(apply)), m_automatic(std::move(automatic)) {
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(HISTOGRAM_HEIGHT);
    for (QSlider** slider : {&m_pLow, &m_pHigh}) {
        *slider = new QSlider(Qt::Horizontal, this);
        (*slider)->setRange(0, SLIDER_STEPS);
        layout->addWidget(*slider);
        connect(*slider, &QSlider::valueChanged, this, [this] { SlidersMoved(); });
    }
    m_pLow->setObjectName("contrastLow");
    m_pHigh->setObjectName("contrastHigh");
    m_pInvert = new QCheckBox(CONTRAST_INVERT, this);
    layout->addWidget(m_pInvert);
    connect(m_pInvert, &QCheckBox::toggled, this, [this] { SlidersMoved(); });
    auto* automaticButton = new QPushButton(CONTRAST_AUTO, this);
    layout->addWidget(automaticButton);
    connect(automaticButton, &QPushButton::clicked, this, [this] {
        DisplayMapping mapping = m_automatic();
        mapping.invert = m_pInvert->isChecked();
        Show(m_histogram, mapping);
        m_apply(mapping);
    });
    layout->addStretch();
    setMinimumWidth(200);
}

double ContrastPanel::ValueAt(int step) const {
    return m_histogram.minimum + (m_histogram.maximum - m_histogram.minimum) * step / SLIDER_STEPS;
}

int ContrastPanel::StepOf(double value) const {
    const double span = m_histogram.maximum - m_histogram.minimum;
    if (!(span > 0))
        return 0;
    return static_cast<int>(
        std::lround(std::clamp((value - m_histogram.minimum) / span, 0.0, 1.0) * SLIDER_STEPS));
}

void ContrastPanel::Show(const ValueHistogram& histogram, const DisplayMapping& mapping) {
    m_bShowing = true;
    m_histogram = histogram;
    m_mapping = mapping;
    m_pLow->setValue(StepOf(mapping.low));
    m_pHigh->setValue(StepOf(mapping.high));
    m_pInvert->setChecked(mapping.invert);
    m_bShowing = false;
    update();
}

void ContrastPanel::SlidersMoved() {
    if (m_bShowing)
        return;
    m_mapping.low = ValueAt(m_pLow->value());
    m_mapping.high = ValueAt(std::max(m_pHigh->value(), m_pLow->value()));
    m_mapping.invert = m_pInvert->isChecked();
    update();
    m_apply(m_mapping);
}

void ContrastPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area(4, 4, width() - 8, HISTOGRAM_HEIGHT - 8);
    painter.fillRect(area, QColor(32, 32, 32));
    const std::uint64_t highest = *std::max_element(m_histogram.counts.begin(), m_histogram.counts.end());
    if (highest == 0)
        return;
    painter.setPen(QColor(200, 200, 200));
    // Counts on a square-root scale, so the small ones stay visible beside the peak.
    for (int bin = 0; bin < HISTOGRAM_BINS; ++bin) {
        const double share =
            std::sqrt(static_cast<double>(m_histogram.counts[static_cast<std::size_t>(bin)]) /
                      static_cast<double>(highest));
        const int x = area.left() + bin * area.width() / HISTOGRAM_BINS;
        painter.drawLine(x, area.bottom(), x, area.bottom() - static_cast<int>(share * area.height()));
    }
    painter.setPen(QColor(255, 160, 0));
    for (const double level : {m_mapping.low, m_mapping.high}) {
        const int x = area.left() + StepOf(level) * area.width() / SLIDER_STEPS;
        painter.drawLine(x, area.top(), x, area.bottom());
    }
}

} // namespace gc
