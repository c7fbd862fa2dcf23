// RunProgressDialog: the modeless "Run Progress Indicator..." window with one progress bar, shown
// while a Run works. RunProgressWindow opens it when the work starts and moves its bar through a
// BarProgress.
#pragma once

#include "BarProgress.h"

#include <QDialog>

#include <memory>

class QProgressBar;

namespace gc {

class RunProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunProgressDialog(QWidget* parent = nullptr);
    QProgressBar* m_progress = nullptr;
};

// The progress of a Run (or of a preview of one): shows a RunProgressDialog at the first range or
// position set, so a refused command shows no window; Close removes it. Each new position gives the
// bar the keyboard focus.
class RunProgressWindow final : public Progress {
public:
    explicit RunProgressWindow(QWidget* parent) : m_pParent(parent) {}
    void SetRange(int lower, int upper) override { Window().SetRange(lower, upper); }
    void SetPos(int position) override { Window().SetPos(position); }
    void Close();

private:
    BarProgress& Window();
    QWidget* m_pParent;
    std::unique_ptr<RunProgressDialog> m_pControl;
    BarProgress m_progress{nullptr, BarProgress::Focus::MoveToBar};
};

} // namespace gc
