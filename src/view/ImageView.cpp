#include "ImageView.h"

#include "ImageListWindow.h"
#include "ViewMessages.h"
#include "ViewerNavigation.h"
#include "ZoomFactor.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gc {

ImageView::ImageView(ViewContext& context, QWidget* parent)
    : QAbstractScrollArea(parent), m_context(context) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    // Pointer moves without a button report the pixel under the pointer.
    viewport()->setMouseTracking(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    SetScrollSizes(m_sizeScroll);
}

ImageView::~ImageView() = default;

void ImageView::OnInitialUpdate() {
    SetScrollSizes({100, 100});
    if (m_pDirDlg == nullptr) {
        m_pDirDlg = new ImageListWindow(this, {[this](int index) { return Thumbnail(index); },
                                               [this](int index) {
                                                   SelectImage(index);
                                                   DrawImage();
                                               }});
        m_pDirDlg->hide();
    }
}

void ImageView::OnUpdate() {
    const int count = m_context.GetImageCount();
    if (m_pDirDlg != nullptr)
        m_pDirDlg->SetImageCount(count);

    m_nImageIndex = 0;
    if (const PixelStore* image = m_context.GetImage(0); image != nullptr && image->IsValid())
        m_sizeZoomed = {image->Width(), image->Height()};
    SetScrollSizes(m_sizeZoomed);
    viewport()->update();

    const std::string path = m_context.GetImagePath();
    if (!path.empty() && window() != nullptr)
        window()->setWindowTitle(QString::fromStdString(path));

    if (m_pDirDlg != nullptr) {
        SetImageListVisible(count > 1);
        m_pDirDlg->FillImageList();
    }
}

void ImageView::DrawImage() {
    viewport()->update();
}

void ImageView::SelectImage(int index) {
    const PixelStore* image = m_context.GetImage(index);
    if (image == nullptr || !image->IsValid())
        return;
    m_sizeZoomed = {image->Width(), image->Height()};
    SetScrollSizes(m_sizeZoomed);
    m_nImageIndex = index;
    DrawImage();
}

void ImageView::OnImageList() {
    if (m_pDirDlg == nullptr)
        return;
    SetImageListVisible(!IsImageListVisible());
}

void ImageView::SetImageListVisible(bool visible) {
    if (m_pListHost != nullptr)
        m_pListHost->setVisible(visible);
    m_pDirDlg->setVisible(visible);
}

QIcon ImageView::Thumbnail(int index) {
    constexpr int side = 64;
    const PixelStore* image = m_context.GetImage(index);
    QIcon icon;
    if (image != nullptr && image->IsValid()) {
        // A renderer of its own, so the view's caches stay with the image shown.
        ImageRenderer small;
        small.SetImage(image);
        small.SetMapping(DefaultMapping(
            image->Type(), image->Type() == SampleType::UInt8 ? ValueHistogram{} : small.Histogram(side)));
        const double scale =
            std::min(1.0, static_cast<double>(side) / std::max(image->Width(), image->Height()));
        QImage picture(std::max(1, static_cast<int>(image->Width() * scale)),
                       std::max(1, static_cast<int>(image->Height() * scale)), QImage::Format_RGB32);
        picture.fill(Qt::black);
        small.Render({scale, 0, 0, picture.width(), picture.height()},
                     reinterpret_cast<std::uint32_t*>(picture.bits()), picture.bytesPerLine() / 4);
        icon = QIcon(QPixmap::fromImage(picture));
    }
    m_context.GetImage(m_nImageIndex); // the shown image stays the document's current one
    return icon;
}

bool ImageView::IsImageListVisible() const {
    return m_pDirDlg != nullptr && m_pDirDlg->isVisible();
}

ViewPoint ImageView::GetScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ImageView::ScrollTo(ViewPoint position) {
    horizontalScrollBar()->setValue(position.x);
    verticalScrollBar()->setValue(position.y);
}

// The scroll range covers the whole size: the position runs from 0 to size − client size.
void ImageView::SetScrollSizes(ViewSize size) {
    m_sizeScroll = size;
    // A picture that fits the view without scroll bars needs none (the fitted picture among them).
    const QSize whole = maximumViewportSize();
    const QSize client = (size.cx <= whole.width() && size.cy <= whole.height()) ? whole : viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, size.cx - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, size.cy - client.height()));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, client.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, client.height() / 10));
}

void ImageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SetScrollSizes(m_sizeScroll);
}

void ImageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), m_canvas.isValid() ? m_canvas : palette().color(QPalette::Base));
    PaintImage(painter);
}

void ImageView::TakeImage(const PixelStore& image) {
    m_renderer.SetImage(&image);
    if (image.Serial() == m_nShownSerial)
        return;
    m_nShownSerial = image.Serial();
    // 8-bit samples show as they are unless the automatic window is asked for; wider ones always
    // start with it.
    if (m_bAutoContrast)
        m_renderer.SetMapping(AutoMapping(m_renderer.Histogram()));
    else if (image.Type() == SampleType::UInt8)
        m_renderer.SetMapping(DisplayMapping{});
    else
        m_renderer.SetMapping(DefaultMapping(image.Type(), m_renderer.Histogram()));
}

void ImageView::PaintImage(QPainter& painter) {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    const float zoom = m_context.GetZoom();
    if (image == nullptr || !image->IsValid())
        return;
    TakeImage(*image);
    const ViewPoint scroll = GetScrollPosition();
    m_sizeZoomed = {ZoomedLength(image->Width(), zoom), ZoomedLength(image->Height(), zoom)};
    if (m_sizeScroll != m_sizeZoomed)
        SetScrollSizes(m_sizeZoomed);

    const QSize size = viewport()->size();
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(m_canvas.isValid() ? m_canvas : palette().color(QPalette::Base));
    m_renderer.Render({zoom, scroll.x, scroll.y, size.width(), size.height()},
                      reinterpret_cast<std::uint32_t*>(picture.bits()), picture.bytesPerLine() / 4);
    painter.drawImage(0, 0, picture);
    if (m_fZoomShown != zoom) {
        m_fZoomShown = zoom;
        emit ZoomShown(zoom);
    }
    PaintOverlay(painter, zoom, scroll);
    PaintSavedBoxes(painter, zoom, scroll);
    if (m_context.IsPickMode())
        PaintPickBoxes(painter, zoom, scroll);
}

QImage ImageView::RenderedPicture() {
    QImage picture(viewport()->size(), QImage::Format_RGB32);
    picture.fill(m_canvas.isValid() ? m_canvas : palette().color(QPalette::Base));
    QPainter painter(&picture);
    PaintImage(painter);
    return picture;
}

void ImageView::PaintOverlay(QPainter& painter, float zoom, ViewPoint scroll) {
    if (m_overlay.empty())
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const OverlayCircle& circle : m_overlay) {
        painter.setPen(QPen(circle.colour, 2));
        const QPointF centre((circle.x + 0.5) * zoom - scroll.x, (circle.y + 0.5) * zoom - scroll.y);
        painter.drawEllipse(centre, circle.radius * zoom, circle.radius * zoom);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void ImageView::SetOverlay(std::vector<OverlayCircle> circles) {
    m_overlay = std::move(circles);
    viewport()->update();
}

void ImageView::PaintSavedBoxes(QPainter& painter, float zoom, ViewPoint scroll) {
    // Boxes already saved from this image, in green, whether or not pick mode is still on.
    const std::vector<ViewPoint> saved = m_context.GetSavedPicks(m_nImageIndex);
    if (saved.empty())
        return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(0, 200, 0), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    for (const ViewPoint& centre : saved) {
        const PickOutline outline = PickOutlineAt(centre, m_context.GetSavedMaskSize(), zoom, scroll);
        painter.drawRect(outline.left, outline.top, outline.side, outline.side);
    }
}

void ImageView::PaintPickBoxes(QPainter& painter, float zoom, ViewPoint scroll) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(255, 0, 0), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const int maskSize = m_context.GetMaskSize();
    for (const ViewPoint& centre : m_context.GetPicks()) {
        const PickOutline outline = PickOutlineAt(centre, maskSize, zoom, scroll);
        const QPoint corners[5] = {
            {outline.left, outline.top},
            {outline.left, outline.top + outline.side},
            {outline.left + outline.side, outline.top + outline.side},
            {outline.left + outline.side, outline.top},
            {outline.left, outline.top},
        };
        painter.drawPolyline(corners, 5);
    }
}

void ImageView::Print(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    PrintPage(painter, painter.viewport().size());
    painter.end();
}

// The page is painted from the pyramid at the printer's own resolution, in bands, so no copy of the
// whole printed picture is made at once.
void ImageView::PrintPage(QPainter& painter, const QSize& page) {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return;
    TakeImage(*image);
    const ViewSize printed = FitToPage(image->Width(), image->Height(), page.width(), page.height());
    if (printed.cx <= 0 || printed.cy <= 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const double zoom = static_cast<double>(printed.cx) / image->Width();
    constexpr int BAND_ROWS = 512;
    for (int top = 0; top < printed.cy; top += BAND_ROWS) {
        QImage band(printed.cx, std::min(BAND_ROWS, printed.cy - top), QImage::Format_RGB32);
        band.fill(Qt::white);
        m_renderer.Render({zoom, 0, top, band.width(), band.height()},
                          reinterpret_cast<std::uint32_t*>(band.bits()), band.bytesPerLine() / 4);
        painter.drawImage(QPoint(0, top), band);
    }
    QApplication::restoreOverrideCursor();
}

void ImageView::SetCanvasColor(const QColor& color) {
    m_canvas = color;
    viewport()->update();
}

void ImageView::SetAutoContrast(bool on) {
    m_bAutoContrast = on;
    if (const PixelStore* image = m_context.GetImage(m_nImageIndex); image != nullptr && image->IsValid()) {
        m_renderer.SetImage(image);
        m_nShownSerial = 0; // the mapping is chosen anew at the next paint
    }
    viewport()->update();
}

void ImageView::SetMapping(const DisplayMapping& mapping) {
    m_renderer.SetMapping(mapping);
    viewport()->update();
}

ValueHistogram ImageView::Histogram() {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return {};
    TakeImage(*image);
    return m_renderer.Histogram();
}

void ImageView::SetLowPass(double sigma) {
    m_renderer.SetLowPass(sigma);
    viewport()->update();
}

void ImageView::UpdateZoomedSize() {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return;
    const float zoom = m_context.GetZoom();
    m_sizeZoomed = {ZoomedLength(image->Width(), zoom), ZoomedLength(image->Height(), zoom)};
    SetScrollSizes(m_sizeZoomed);
}

void ImageView::ZoomStep(bool in) {
    const QSize size = viewport()->size();
    ZoomAbout({size.width() / 2, size.height() / 2}, KeyZoom(m_context.GetZoom(), in));
}

void ImageView::PanStep(int dx, int dy) {
    const QSize size = viewport()->size();
    const ViewPoint scroll = GetScrollPosition();
    ScrollTo(
        {scroll.x + dx * std::max(1, size.width() / 10), scroll.y + dy * std::max(1, size.height() / 10)});
}

void ImageView::ZoomAbout(ViewPoint pointer, float zoom) {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    const float oldZoom = m_context.GetZoom();
    if (image == nullptr || !image->IsValid() || zoom == oldZoom || !m_context.SetZoom(zoom))
        return;
    const ViewPoint target = ScrollKeepingPoint(GetScrollPosition(), pointer, oldZoom, zoom);
    m_sizeZoomed = {ZoomedLength(image->Width(), zoom), ZoomedLength(image->Height(), zoom)};
    SetScrollSizes(m_sizeZoomed);
    ScrollTo(target);
    DrawImage();
}

std::optional<ViewPoint> ImageView::ImagePixelAt(ViewPoint pointer) {
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return std::nullopt;
    return PixelUnderPointer(pointer, GetScrollPosition(), m_context.GetZoom(), image->Width(),
                             image->Height());
}

std::pair<QString, QString> ImageView::PointerTexts(ViewPoint pointer) {
    const std::optional<ViewPoint> pixel = ImagePixelAt(pointer);
    if (!pixel)
        return {};
    const PixelStore* image = m_context.GetImage(m_nImageIndex);
    return {QString::fromStdString(PositionPaneText(pixel->x, pixel->y)),
            QString::fromStdString(StoreValuePaneText(*image, pixel->x, pixel->y))};
}

QString ImageView::MeasureText(ViewPoint start, ViewPoint end) const {
    const double length =
        std::hypot(static_cast<double>(end.x - start.x), static_cast<double>(end.y - start.y));
    QString text = QString(MSG_MEASURE)
                       .arg(start.x + 1)
                       .arg(start.y + 1)
                       .arg(end.x + 1)
                       .arg(end.y + 1)
                       .arg(length, 0, 'f', 1);
    if (const double pixelSize = m_context.GetPixelSize(); pixelSize > 0)
        text += QString(MSG_MEASURE_ANGSTROM).arg(length * pixelSize, 0, 'f', 1);
    return text;
}

// Ctrl+wheel zooms about the pointer; the wheel alone scrolls, Shift+wheel scrolls sideways.
void ImageView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
        const QPoint at = event->position().toPoint();
        ZoomAbout({at.x(), at.y()}, WheelZoom(m_context.GetZoom(), delta));
        event->accept();
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && event->angleDelta().x() == 0) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - event->angleDelta().y() * bar->singleStep() / WHEEL_NOTCH);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void ImageView::leaveEvent(QEvent* event) {
    emit PointerStatus({}, {});
    QAbstractScrollArea::leaveEvent(event);
}

void ImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

// A file dropped on the view opens as File Open would open it; of several, the first local one.
void ImageView::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            emit FileDropped(url.toLocalFile());
            return;
        }
}

PickPointer ImageView::PointerAt(ViewPoint window) const {
    return {window, GetScrollPosition(), m_nImageIndex};
}

namespace {
ViewPoint PointOf(const QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    return {position.x(), position.y()};
}
} // namespace

void ImageView::mousePressEvent(QMouseEvent* event) {
    const ViewPoint p = PointOf(event);
    const bool pickMode = m_context.IsPickMode();
    const bool left = event->button() == Qt::LeftButton;
    if ((left || event->button() == Qt::RightButton) && m_context.ReviewClick(PointerAt(p), left)) {
        event->accept();
        return;
    }
    if (left) {
        m_bLeftDown = true;
        if (pickMode)
            m_context.RemovePick(PointerAt(p));
        else
            m_ptDragLast = p;
    } else if (event->button() == Qt::RightButton) {
        m_bRightDown = true;
        if (pickMode) {
            m_context.AddPick(PointerAt(p));
        } else {
            m_measureStart = ImagePixelAt(p);
        }
    }
    event->accept();
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    const ViewPoint p = PointOf(event);
    const bool pickMode = m_context.IsPickMode();
    if (event->button() == Qt::LeftButton) {
        m_bLeftDown = false;
    } else if (event->button() == Qt::RightButton) {
        m_bRightDown = false;
        // A drag from one image pixel to another is measured in image pixels (and ångström).
        if (!pickMode && m_measureStart) {
            if (const std::optional<ViewPoint> end = ImagePixelAt(p))
                emit Measured(MeasureText(*m_measureStart, *end));
        }
        m_measureStart.reset();
    }
    event->accept();
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    const auto [position, value] = PointerTexts(PointOf(event));
    emit PointerStatus(position, value);
    if (m_context.IsPickMode())
        return;
    if (m_bLeftDown) {
        const ViewPoint p = PointOf(event);
        const ViewPoint target = PanTarget(GetScrollPosition(), m_ptDragLast, p, m_sizeZoomed);
        m_ptDragLast = p;
        ScrollTo(target);
        DrawImage();
    }
    event->accept();
}

// + and − (and Ctrl+= / Ctrl+−) zoom about the view's centre; the arrow keys pan a tenth of the view.
void ImageView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomStep(true);
        break;
    case Qt::Key_Minus:
        ZoomStep(false);
        break;
    case Qt::Key_Left:
        PanStep(-1, 0);
        break;
    case Qt::Key_Right:
        PanStep(1, 0);
        break;
    case Qt::Key_Up:
        PanStep(0, -1);
        break;
    case Qt::Key_Down:
        PanStep(0, 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

// The second press of a double click arrives here instead of as a press.
void ImageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_context.IsPickMode())
        m_context.SavePicks(PointerAt(PointOf(event)));
    event->accept();
}

} // namespace gc
