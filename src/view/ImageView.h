// ImageView: the one view of the main window. Shows the document's current image scaled by the zoom
// factor, pans by a left-button drag, measures a right-button drag, prints the image fitted to the
// page and owns the image list window. In pick mode the mouse buttons add, remove and save picks
// instead, and every stored pick is outlined in red.
//
// Around that, the viewer's own navigation: Ctrl+wheel zooms about the pointer (the wheel alone
// scrolls, Shift+wheel sideways), + and − zoom, the arrow keys pan a tenth of the view, the pointer's
// pixel and value are reported for the status bar, and the canvas colour is settable.
//
// What is painted comes from ImageRenderer (Qt-free): the visible part only, from the pyramid level
// nearest the zoom, through the display mapping (automatic or window/level, invert) and the low-pass
// filter. Other parts of the program draw over the picture through the overlay (circles in image
// coordinates).
#pragma once

#include "ViewContext.h"
#include "ViewGeometry.h"

#include "ImageRenderer.h"
#include "PixelReadout.h"

#include <QAbstractScrollArea>
#include <QColor>

#include <vector>

class QPrinter;

namespace gc {

class ImageListWindow;

// A circle drawn over the picture: centre and radius in image pixels, and its colour.
struct OverlayCircle {
    double x = 0;
    double y = 0;
    double radius = 0;
    QColor colour;
};

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
    // Where the image list lives when it is not a window of its own (a dock of the main window): it
    // is shown and hidden together with the list.
    void SetImageListHost(QWidget* host) { m_pListHost = host; }
    // A small picture of image `index` for the image list; the shown image stays the current one.
    QIcon Thumbnail(int index);

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

    // Takes the size of the picture at the context's current zoom as the scroll range at once.
    void UpdateZoomedSize();
    // Sets the zoom through the context and scrolls so that the image point under window position
    // `pointer` stays under it.
    void ZoomAbout(ViewPoint pointer, float zoom);
    // The colour around the image (the palette's base colour unless set).
    void SetCanvasColor(const QColor& color);
    // Display-only contrast stretch of the shown image (View ▸ Auto Contrast): the automatic window
    // when on, the image's own default when off.
    void SetAutoContrast(bool on);
    bool IsAutoContrast() const { return m_bAutoContrast; }
    // The display mapping (window/level, invert); display only.
    void SetMapping(const DisplayMapping& mapping);
    const DisplayMapping& Mapping() const { return m_renderer.Mapping(); }
    // The histogram of the shown image's values (of a coarse pyramid level).
    ValueHistogram Histogram();
    // The low-pass filter's sigma in image pixels; 0 is off.
    void SetLowPass(double sigma);
    double LowPass() const { return m_renderer.LowPass(); }
    // Circles drawn over the picture after it, until replaced; an empty list draws none.
    void SetOverlay(std::vector<OverlayCircle> circles);
    // The picture of the view as painted now (for tests and screenshots).
    QImage RenderedPicture();
    ImageRenderer& Renderer() { return m_renderer; }
    // Zooms by one + or − step about the view's centre.
    void ZoomStep(bool in);
    // Scrolls by a tenth of the view: dx, dy in −1, 0, 1.
    void PanStep(int dx, int dy);
    // The status texts for window position `pointer`: position and value panes, empty beyond the
    // picture. Also what PointerStatus reports while the pointer moves.
    std::pair<QString, QString> PointerTexts(ViewPoint pointer);

signals:
    // The pointer moved over the view: its pixel's position and value texts (empty beyond the image).
    void PointerStatus(const QString& position, const QString& value);
    // The zoom factor shown changed.
    void ZoomShown(float zoom);
    // Files were dropped on the view.
    void FileDropped(const QString& path);
    // A right-button drag was measured: its text for the status bar.
    void Measured(const QString& text);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetScrollSizes(ViewSize size);
    void PaintImage(QPainter& painter);
    // The renderer shows `image`; a new image gets its default mapping.
    void TakeImage(const PixelStore& image);
    void PaintOverlay(QPainter& painter, float zoom, ViewPoint scroll);
    // The image pixel under window position `pointer`, nothing beyond the picture.
    std::optional<ViewPoint> ImagePixelAt(ViewPoint pointer);
    QString MeasureText(ViewPoint start, ViewPoint end) const;
    // The outlines of the boxes saved from the image shown (green) and of the current picks (red).
    void PaintSavedBoxes(QPainter& painter, float zoom, ViewPoint scroll);
    void PaintPickBoxes(QPainter& painter, float zoom, ViewPoint scroll);
    PickPointer PointerAt(ViewPoint window) const;

    ViewContext& m_context;
    ImageListWindow* m_pDirDlg = nullptr; // owned through the Qt parent
    QWidget* m_pListHost = nullptr;
    void SetImageListVisible(bool visible);
    int m_nImageIndex = 0;
    bool m_bLeftDown = false;
    bool m_bRightDown = false;
    ViewPoint m_ptDragLast;
    ViewSize m_sizeZoomed;
    ViewSize m_sizeScroll{100, 100};
    QColor m_canvas;
    bool m_bAutoContrast = false;
    ImageRenderer m_renderer;
    std::uint64_t m_nShownSerial = 0;
    std::vector<OverlayCircle> m_overlay;
    std::optional<ViewPoint> m_measureStart;
    float m_fZoomShown = 0;
};

} // namespace gc
