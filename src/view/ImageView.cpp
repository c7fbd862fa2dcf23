#include "ImageView.h"

#include "ImageListWindow.h"
#include "ViewerNavigation.h"
#include "ZoomFactor.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

namespace gc {

QImage ImageFromDIB(const DIBSection& image, const QRect& part) {
    const QRect inside = part.intersected(QRect(0, 0, image.GetWidth(), image.GetHeight()));
    if (!image.IsValid() || inside.isEmpty())
        return {};
    QImage result(inside.width(), inside.height(), QImage::Format_BGR888);
    // Memory rows are bottom-up: picture row y lives in memory row height − 1 − y.
    for (int y = 0; y < inside.height(); ++y) {
        const unsigned char* source =
            image.MemoryRow(image.GetHeight() - 1 - (inside.top() + y)) + 3 * inside.left();
        std::memcpy(result.scanLine(y), source, static_cast<std::size_t>(inside.width()) * 3);
    }
    return result;
}

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
    if (const DIBSection* image = m_context.GetImage(0); image != nullptr && image->IsValid())
        m_sizeZoomed = {image->GetWidth(), image->GetHeight()};
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
    const DIBSection* image = m_context.GetImage(index);
    if (image == nullptr || !image->IsValid())
        return;
    m_sizeZoomed = {image->GetWidth(), image->GetHeight()};
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
    const DIBSection* image = m_context.GetImage(index);
    QIcon icon;
    if (image != nullptr && image->IsValid()) {
        const double scale =
            std::min(1.0, static_cast<double>(side) / std::max(image->GetWidth(), image->GetHeight()));
        const int width = std::max(1, static_cast<int>(image->GetWidth() * scale));
        const int height = std::max(1, static_cast<int>(image->GetHeight() * scale));
        DIBSection small;
        image->StretchTo(small, width, height);
        const QImage picture = ImageFromDIB(small, QRect(0, 0, width, height));
        if (!picture.isNull())
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

void ImageView::PaintImage(QPainter& painter) {
    const DIBSection* image = m_context.GetImage(m_nImageIndex);
    const float zoom = m_context.GetZoom();
    if (image == nullptr || !image->IsValid())
        return;
    const ViewPoint scroll = GetScrollPosition();
    const int width = ZoomedLength(image->GetWidth(), zoom);
    const int height = ZoomedLength(image->GetHeight(), zoom);
    m_sizeZoomed = {width, height};

    DIBSection zoomed;
    image->StretchTo(zoomed, width, height);
    if (m_sizeScroll != m_sizeZoomed)
        SetScrollSizes(m_sizeZoomed);

    if (zoomed.IsValid())
        PaintVisiblePart(painter, *image, zoomed, scroll);
    if (m_fZoomShown != zoom) {
        m_fZoomShown = zoom;
        emit ZoomShown(zoom);
    }
    PaintSavedBoxes(painter, zoom, scroll);
    if (m_context.IsPickMode())
        PaintPickBoxes(painter, zoom, scroll);
}

void ImageView::PaintVisiblePart(QPainter& painter, const DIBSection& image, const DIBSection& zoomed,
                                 ViewPoint scroll) {
    const QRect visible(scroll.x, scroll.y, viewport()->width(), viewport()->height());
    QImage part = ImageFromDIB(zoomed, visible);
    if (part.isNull())
        return;
    if (m_bAutoContrast) {
        if (m_pContrastImage != &image) {
            m_contrast = AutoContrastTable(image);
            m_pContrastImage = &image;
        }
        for (int y = 0; y < part.height(); ++y) {
            unsigned char* line = part.scanLine(y);
            for (int i = 0; i < part.width() * 3; ++i)
                line[i] = m_contrast[line[i]];
        }
    }
    painter.drawImage(0, 0, part);
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

void ImageView::PrintPage(QPainter& painter, const QSize& page) {
    const DIBSection* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return;
    const ViewSize printed = FitToPage(image->GetWidth(), image->GetHeight(), page.width(), page.height());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DIBSection stretched;
    image->StretchTo(stretched, printed.cx, printed.cy);
    const QImage picture = ImageFromDIB(stretched, QRect(0, 0, printed.cx, printed.cy));
    if (!picture.isNull())
        painter.drawImage(QPoint(0, 0), picture);
    QApplication::restoreOverrideCursor();
}

void ImageView::SetCanvasColor(const QColor& color) {
    m_canvas = color;
    viewport()->update();
}

void ImageView::SetAutoContrast(bool on) {
    m_bAutoContrast = on;
    m_pContrastImage = nullptr;
    viewport()->update();
}

void ImageView::UpdateZoomedSize() {
    const DIBSection* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return;
    const float zoom = m_context.GetZoom();
    m_sizeZoomed = {ZoomedLength(image->GetWidth(), zoom), ZoomedLength(image->GetHeight(), zoom)};
    SetScrollSizes(m_sizeZoomed);
}

void ImageView::ZoomAbout(ViewPoint pointer, float zoom) {
    const DIBSection* image = m_context.GetImage(m_nImageIndex);
    const float oldZoom = m_context.GetZoom();
    if (image == nullptr || !image->IsValid() || zoom == oldZoom || !m_context.SetZoom(zoom))
        return;
    const ViewPoint target = ScrollKeepingPoint(GetScrollPosition(), pointer, oldZoom, zoom);
    m_sizeZoomed = {ZoomedLength(image->GetWidth(), zoom), ZoomedLength(image->GetHeight(), zoom)};
    SetScrollSizes(m_sizeZoomed);
    ScrollTo(target);
    DrawImage();
}

std::pair<QString, QString> ImageView::PointerTexts(ViewPoint pointer) {
    const DIBSection* image = m_context.GetImage(m_nImageIndex);
    if (image == nullptr || !image->IsValid())
        return {};
    const float zoom = m_context.GetZoom();
    const ViewSize zoomed{ZoomedLength(image->GetWidth(), zoom), ZoomedLength(image->GetHeight(), zoom)};
    const std::optional<ViewPoint> pixel =
        PixelUnderPointer(pointer, GetScrollPosition(), zoomed, image->GetWidth(), image->GetHeight());
    if (!pixel)
        return {};
    std::string value = m_context.FileValueText(m_nImageIndex, pixel->x, pixel->y);
    if (value.empty()) {
        unsigned char rgba[4] = {};
        image->GetPixelColor(static_cast<unsigned>(pixel->x), static_cast<unsigned>(pixel->y), rgba);
        value = PictureValuePaneText(rgba[0], rgba[1], rgba[2]);
    }
    return {QString::fromStdString(PositionPaneText(pixel->x, pixel->y)), QString::fromStdString(value)};
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
    if (event->button() == Qt::LeftButton) {
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
            const ViewPoint scroll = GetScrollPosition();
            m_ptMarkStart = {p.x + scroll.x, p.y + scroll.y};
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
        if (!pickMode) {
            const ViewPoint scroll = GetScrollPosition();
            m_ptMarkEnd = {p.x + scroll.x, p.y + scroll.y};
            m_context.GetMessages().Information(PositionReadout(m_ptMarkStart, m_ptMarkEnd));
        }
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

// The second press of a double click arrives here instead of as a press.
void ImageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_context.IsPickMode())
        m_context.SavePicks(PointerAt(PointOf(event)));
    event->accept();
}

} // namespace gc
