// ImageView: the one view of the main window. Shows the document's current image scaled by the zoom
// factor, pans by a left-button drag, reads out a right-button drag, prints the image fitted to the
// page and owns the image list window. In pick mode the mouse buttons add, remove and save picks
// instead, and every stored pick is outlined in red.
//
// Each paint resamples the whole image at the current zoom (nearest neighbour) and copies only the
// visible part to the screen; no pixels are kept between paints.
#pragma once

#include "ViewContext.h"
#include "ViewGeometry.h"

#include <QAbstractScrollArea>

class QPrinter;

namespace gc {

class ImageListWindow;

// The part of `image` inside `part` (image coordinates, y from the top) as a top-down QImage.
QImage ImageFromDIB(const DIBSection& image, const QRect& part);

class ImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ImageView(ViewContext& context, QWidget* parent = nullptr);
    ~ImageView() override;

    // Creates the image list window (hidden) and sets the initial 100 × 100 scroll range.
    void OnInitialUpdate();
    // After every File Open: refills the image list, shows image 0, sets the window title.
    void OnUpdate();
    // Redraws the current image at the current zoom and scroll position with the pick outlines.
    void DrawImage();
    // Shows image `index` of the document (from the image list); an index without an image is ignored.
    void SelectImage(int index);
    // View ▸ Image List: hides the list when it is visible, shows it otherwise.
    void OnImageList();
    bool IsImageListVisible() const;

    // Prints the shown image fitted to the printer's page; zoom, scroll and picks play no part.
    void Print(QPrinter& printer);
    // The print path on any painter whose page is `page` device pixels large.
    void PrintPage(QPainter& painter, const QSize& page);

    ImageListWindow& GetDirDlg() { return *m_pDirDlg; }
    int GetImageIndex() const { return m_nImageIndex; }
    ViewSize GetZoomedSize() const { return m_sizeZoomed; }
    ViewPoint GetScrollPosition() const;
    // Scrolls to `position`, limited by the scroll range.
    void ScrollTo(ViewPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void SetScrollSizes(ViewSize size);
    void PaintImage(QPainter& painter);
    PickPointer PointerAt(ViewPoint window) const;

    ViewContext& m_context;
    ImageListWindow* m_pDirDlg = nullptr; // owned through the Qt parent
    int m_nImageIndex = 0;
    bool m_bLeftDown = false;
    bool m_bRightDown = false;
    ViewPoint m_ptDragLast;
    ViewPoint m_ptMarkStart;
    ViewPoint m_ptMarkEnd;
    ViewSize m_sizeZoomed;
    ViewSize m_sizeScroll{100, 100};
};

} // namespace gc
