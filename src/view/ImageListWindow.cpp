#include "ImageListWindow.h"

#include "ViewMessages.h"

#include <QListWidget>
#include <QVBoxLayout>

#include <utility>

namespace gc {

QString DirectoryEntryText(int index) {
    return QString::asprintf(DIRECTORY_ENTRY_FORMAT, index + 1);
}

ImageListWindow::ImageListWindow(QWidget* parent, Hooks hooks) : QDialog(parent), m_hooks(std::move(hooks)) {
    setWindowTitle(DIRECTORY_CAPTION);
    setModal(false);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(64, 64));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_list);
    resize(120, 260);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { OnDoubleClickList(); });
}

void ImageListWindow::FillImageList() {
    m_list->clear();
    for (int i = 0; i < m_nImageCount; ++i) {
        auto* item = new QListWidgetItem(DirectoryEntryText(i), m_list);
        if (m_hooks.m_thumbnail)
            item->setIcon(m_hooks.m_thumbnail(i));
    }
}

void ImageListWindow::OnDoubleClickList() {
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->isSelected()) {
            if (m_hooks.m_show)
                m_hooks.m_show(row);
            return;
        }
    }
}

} // namespace gc
