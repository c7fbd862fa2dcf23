// CAboutDlg: the About box — icon, "Gridcarver Version 1.0", the author line and OK.
#pragma once

#include <QDialog>

namespace gc {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace gc
