// SuggestPicksDialog: the "Suggest Picks" window. The particle diameter (Å with a pixel size, pixels
// without), the contrast, Find; a threshold slider with the live count of suggestions; Accept All and
// Undo. Accepted suggestions are picks of the pick state, drawn and saved like picks made by hand.
// The rules live in SuggestPicksForm; the view asks Circles() what to draw and hands clicks on the
// image to AcceptAt / RemoveAt.
#pragma once

#include "core/Messages.h"
#include "forms/SuggestPicksForm.h"
#include "pick/PickValues.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace gc {

// The image picks are suggested for: its size and a source of its values (nullptr when none).
struct SuggestPicksImage {
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::function<std::unique_ptr<PickRowSource>()> m_rows;
};

class SuggestPicksDialog : public QDialog {
    Q_OBJECT
public:
    // `picksChanged` runs after every change of the suggestions shown or of the pick list (the view
    // redraws).
    SuggestPicksDialog(PickState& picks, SuggestPicksImage image, Messages& messages,
                       QWidget* parent = nullptr, std::function<void()> picksChanged = {});

    bool AcceptAt(PickPoint at) { return Changed(m_form.OnAccept(at)); }
    bool RemoveAt(PickPoint at) { return Changed(m_form.OnRemove(at)); }
    // Takes back the last accept or removal (the Undo button); false when there is none.
    bool Undo() { return Changed(m_form.OnUndo()); }
    std::vector<CandidateCircle> Circles() const { return m_form.Review().Circles(); }

    QLineEdit* DiameterEdit() const { return m_pDiameter; }
    QLineEdit* PixelSizeEdit() const { return m_pPixelSize; }
    QCheckBox* InvertBox() const { return m_pInvert; }
    QPushButton* FindButton() const { return m_pFind; }
    QSlider* ThresholdSlider() const { return m_pThreshold; }
    QLabel* CountLabel() const { return m_pCount; }
    QPushButton* AcceptAllButton() const { return m_pAcceptAll; }
    QPushButton* UndoButton() const { return m_pUndo; }

private:
    void OnFind();
    void OnSlider(int position);
    bool Changed(bool changed);
    void ShowCount();

    SuggestPicksForm m_form;
    SuggestPicksImage m_image;
    Messages& m_messages;
    std::function<void()> m_picksChanged;
    QLineEdit* m_pDiameter;
    QLineEdit* m_pPixelSize;
    QCheckBox* m_pInvert;
    QPushButton* m_pFind;
    QSlider* m_pThreshold;
    QLabel* m_pCount;
    QPushButton* m_pAcceptAll;
    QPushButton* m_pUndo;
    QPushButton* m_pClose;
};

} // namespace gc
