#include "SuggestPicksDialog.h"

#include "pick/PickMessages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace gc {

SuggestPicksDialog::SuggestPicksDialog(PickState& picks, SuggestPicksImage image, Messages& messages,
                                       QWidget* parent, std::function<void()> picksChanged)
    : QDialog(parent), m_form(picks), m_image(std::move(image)), m_messages(messages),
      m_picksChanged(std::move(picksChanged)) {
    setWindowTitle(pick_text::SUGGEST_CAPTION);
    setObjectName("SuggestPicksDialog");
    m_pDiameter = new QLineEdit(this);
    m_pPixelSize = new QLineEdit(this);
    m_pInvert = new QCheckBox(pick_text::SUGGEST_INVERT_CHECK, this);
    m_pFind = new QPushButton(pick_text::SUGGEST_FIND_BUTTON, this);
    m_pFind->setDefault(true);
    m_pThreshold = new QSlider(Qt::Horizontal, this);
    m_pThreshold->setRange(0, SuggestPicksForm::SLIDER_STEPS);
    m_pCount = new QLabel(QString::fromStdString(m_form.CountText()), this);
    m_pAcceptAll = new QPushButton(pick_text::SUGGEST_ACCEPT_ALL_BUTTON, this);
    m_pUndo = new QPushButton(pick_text::SUGGEST_UNDO_BUTTON, this);
    m_pClose = new QPushButton(pick_text::SUGGEST_CLOSE_BUTTON, this);
    for (QPushButton* button : {m_pAcceptAll, m_pUndo, m_pClose})
        button->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(pick_text::SUGGEST_DIAMETER_LABEL, m_pDiameter);
    form->addRow(pick_text::SUGGEST_PIXEL_SIZE_LABEL, m_pPixelSize);
    form->addRow(m_pInvert, m_pFind);
    form->addRow(pick_text::SUGGEST_THRESHOLD_LABEL, m_pThreshold);
    form->addRow(m_pCount);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pAcceptAll);
    buttons->addWidget(m_pUndo);
    buttons->addStretch();
    buttons->addWidget(m_pClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_pFind, &QPushButton::clicked, this, &SuggestPicksDialog::OnFind);
    connect(m_pThreshold, &QSlider::valueChanged, this, &SuggestPicksDialog::OnSlider);
    connect(m_pAcceptAll, &QPushButton::clicked, this, [this] { Changed(m_form.OnAcceptAll() > 0); });
    connect(m_pUndo, &QPushButton::clicked, this, [this] { Undo(); });
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);
}

void SuggestPicksDialog::OnFind() {
    std::unique_ptr<PickRowSource> rows = m_image.m_rows ? m_image.m_rows() : nullptr;
    if (!rows)
        return;
    const SuggestFindResult found =
        m_form.Find(m_pDiameter->text().trimmed().toStdString(), m_pPixelSize->text().trimmed().toDouble(),
                    m_pInvert->isChecked(), *rows, m_image.m_nWidth, m_image.m_nHeight);
    if (found == SuggestFindResult::BadDiameter)
        m_messages.Warning(pick_text::SUGGEST_BAD_DIAMETER);
    else if (found == SuggestFindResult::OutOfMemory)
        m_messages.Error(pick_text::NO_MEMORY);
    const QSignalBlocker quiet(m_pThreshold);
    m_pThreshold->setValue(m_form.SliderPosition());
    Changed(true);
}

void SuggestPicksDialog::OnSlider(int position) {
    m_form.OnSliderMoved(position);
    Changed(true);
}

bool SuggestPicksDialog::Changed(bool changed) {
    if (!changed)
        return false;
    ShowCount();
    if (m_picksChanged)
        m_picksChanged();
    return true;
}

void SuggestPicksDialog::ShowCount() {
    m_pCount->setText(QString::fromStdString(m_form.CountText()));
}

} // namespace gc
