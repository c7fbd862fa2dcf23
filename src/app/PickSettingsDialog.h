// PickSettingsDialog: the "Particle Pick Settings ..." dialog. Two check boxes (pick mode, collate), the
// size field (digits only) and OK / Cancel; the rules live in PickSettingsForm. OK and Cancel end the
// dialog with PICK_MASK_END_CODE; Esc and the close box end it without touching the pick state.
#pragma once

#include "core/Messages.h"
#include "forms/PickSettingsForm.h"
#include "pick/PickState.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace gc {

inline constexpr int PICK_MASK_END_CODE = 156;

class PickSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog resets the pick state; the size field starts at `rememberedSize` (the
    // size last accepted) when OK would accept it. `invalidateMain` repaints the main window after
    // every OK.
    PickSettingsDialog(PickState& state, Messages& messages, QWidget* parent = nullptr,
                       std::function<void()> invalidateMain = {}, int rememberedSize = 0);

    QCheckBox* PickModeBox() const { return m_pPickMode; }
    QCheckBox* CollateBox() const { return m_pCollate; }
    QLineEdit* MaskSizeEdit() const { return m_pMaskSize; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

private:
    void OnOk();
    void OnCancel();
    void OnMaskSizeChanged(const QString& text);

    PickSettingsForm m_logic;
    Messages& m_messages;
    std::function<void()> m_invalidateMain;
    QCheckBox* m_pPickMode;
    QCheckBox* m_pCollate;
    QLineEdit* m_pMaskSize;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};

} // namespace gc
