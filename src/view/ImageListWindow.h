// ImageListWindow: the modeless "Directory" window listing the images of the open file as image1,
// image2, …, each with a small picture; a double click on an entry shows that image in the view. The
// desktop program docks it at the side of the main window.
#pragma once

#include <QDialog>
#include <QIcon>

#include <functional>

class QListWidget;
class QListWidgetItem;

namespace gc {

// Text of entry `index` (0-based): "image" followed by index + 1.
QString DirectoryEntryText(int index);

class ImageListWindow : public QDialog {
    Q_OBJECT
public:
    // What the list asks of the window that shows the images.
    struct Hooks {
        std::function<QIcon(int)> m_thumbnail; // the small picture of image `index`
        std::function<void(int)> m_show;       // shows image `index`
    };

    ImageListWindow(QWidget* parent, Hooks hooks);

    void SetImageCount(int count) { m_nImageCount = count; }
    int GetImageCount() const { return m_nImageCount; }
    // Replaces the entries by image1 .. image<count>.
    void FillImageList();
    // What a double click on the list does: shows the first selected entry's image.
    void OnDoubleClickList();

    QListWidget& GetList() { return *m_list; }

private:
    Hooks m_hooks;
    int m_nImageCount = 0;
    QListWidget* m_list = nullptr;
};

} // namespace gc
