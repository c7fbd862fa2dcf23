#include "AboutDialog.h"

#include "AppIcons.h"
#include "AppMessages.h"
#include "core/Version.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace gc {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(ABOUT_CAPTION);
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* version = new QLabel(ProductVersionText(), this);
    version->setObjectName("version");
    auto* author = new QLabel(ABOUT_AUTHOR_LINE, this);
    author->setObjectName("author");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(author, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
}

} // namespace gc
