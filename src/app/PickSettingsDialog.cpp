#include "PickSettingsDialog.h"

#include "AppDialogs.h"
#include "Application.h"
#include "MainWindow.h"
#include "pick/PickMessages.h"
#include "view/ImageView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <string>

namespace gc {

PickSettingsDialog::PickSettingsDialog(PickState& state, Messages& messages, QWidget* parent,
                                       std::function<void()> invalidateMain, int rememberedSize)
    : QDialog(parent), m_logic(state, rememberedSize), m_messages(messages),
      m_invalidateMain(std::move(invalidateMain)) {
    setWindowTitle(pick_text::DIALOG_CAPTION);
    setObjectName("PickSettingsDialog");

    m_pPickMode = new QCheckBox(pick_text::PICK_MODE_CHECK, this);
    m_pPickMode->setObjectName("PickMode");
    m_pCollate = new QCheckBox(pick_text::COLLATE_CHECK, this);
    m_pCollate->setObjectName("Collate");
    auto* sizeLabel = new QLabel(pick_text::MASK_SIZE_LABEL, this);
    m_pMaskSize = new QLineEdit(QString::fromStdString(m_logic.MaskText()), this);
    m_pMaskSize->setObjectName("MaskSize");
    m_pMaskSize->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_pMaskSize));
    sizeLabel->setBuddy(m_pMaskSize);
    m_pOk = new QPushButton(pick_text::OK_BUTTON, this);
    m_pOk->setObjectName("OK");
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(pick_text::CANCEL_BUTTON, this);
    m_pCancel->setObjectName("Cancel");
    m_pCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_pPickMode, 0, 0, 1, 2);
    grid->addWidget(m_pCollate, 1, 0, 1, 2);
    grid->addWidget(sizeLabel, 2, 0);
    grid->addWidget(m_pMaskSize, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 3, 1);

    connect(m_pPickMode, &QCheckBox::clicked, this, [this] {
        m_logic.OnPickModeClicked();
        m_pPickMode->setChecked(m_logic.PickModeChecked());
    });
    connect(m_pCollate, &QCheckBox::clicked, this, [this] {
        m_logic.OnCollateClicked();
        m_pCollate->setChecked(m_logic.CollateChecked());
    });
    connect(m_pMaskSize, &QLineEdit::textChanged, this, &PickSettingsDialog::OnMaskSizeChanged);
    connect(m_pOk, &QPushButton::clicked, this, &PickSettingsDialog::OnOk);
    connect(m_pCancel, &QPushButton::clicked, this, &PickSettingsDialog::OnCancel);
}

void PickSettingsDialog::OnMaskSizeChanged(const QString& text) {
    m_logic.OnMaskSizeChanged(text.toStdString());
}

void PickSettingsDialog::OnOk() {
    const bool close = m_logic.OnOk(m_messages);
    if (!close) {
        // The field now reads "0"; the logic has handled that change already.
        const QSignalBlocker blocker(m_pMaskSize);
        m_pMaskSize->setText(QString::fromStdString(m_logic.MaskText()));
    }
    if (m_invalidateMain)
        m_invalidateMain();
    if (close)
        done(PICK_MASK_END_CODE);
}

void PickSettingsDialog::OnCancel() {
    m_logic.OnCancel();
    done(PICK_MASK_END_CODE);
}

namespace {
constexpr const char* MASK_SIZE_SETTING = "pick/maskSize";
} // namespace

void AttachPickSettingsDialog(Application& app) {
    app.m_hooks.m_pickSettings = [](Application& owner) {
        const int remembered = LeadingInteger(owner.GetSettings().Value(MASK_SIZE_SETTING).value_or(""));
        PickSettingsDialog dialog(
            owner.m_pick, owner.GetMessages(), &owner.GetFrame(),
            [&owner] {
                owner.GetFrame().update();
                owner.GetView().DrawImage();
            },
            remembered);
        owner.GetDialogs().Exec(dialog);
        // The size the dialog was left with is offered the next time, in this session and the next.
        if (PickSettingsForm::IsAcceptedSize(owner.m_pick.m_nMaskSize))
            owner.GetSettings().SetValue(MASK_SIZE_SETTING, std::to_string(owner.m_pick.m_nMaskSize));
    };
}

} // namespace gc
