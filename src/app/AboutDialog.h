// AboutDialog: the About box — icon, "Gridcarver Version 1.0", the author line and OK.
#pragma once

#include <QDialog>

namespace gc {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace gc
