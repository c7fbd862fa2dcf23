// The image view: zoom arithmetic, panning and the right-drag read-out with synthetic mouse events,
// the drawn pixels (orientation, zoom, scroll, pick outlines), the image list and print fitting.
#include "support/TestSupport.h"
#include "view/ImageListWindow.h"
#include "view/ImageView.h"
#include "view/ViewMessages.h"
#include "view/ZoomFactor.h"

#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace gc {
namespace {

// A view context with plain fields: images, zoom, picks, and what the mouse asked for.
class FakeContext final : public ViewContext {
public:
    const PixelStore* GetImage(int index) override {
        if (index < 0 || index >= static_cast<int>(m_images.size()))
            return nullptr;
        m_nCurrent = index;
        return m_images[index].get();
    }
    int GetImageCount() const override { return static_cast<int>(m_images.size()); }
    std::string GetImagePath() const override { return m_strPath; }
    float GetZoom() const override { return m_fZoom; }
    bool IsPickMode() const override { return m_bPickMode; }
    int GetMaskSize() const override { return m_nMaskSize; }
    std::vector<ViewPoint> GetPicks() const override { return m_picks; }
    void AddPick(const PickPointer& pointer) override { m_added.push_back(pointer); }
    void RemovePick(const PickPointer& pointer) override { m_removed.push_back(pointer); }
    void SavePicks(const PickPointer& pointer) override { m_saved.push_back(pointer); }
    Messages& GetMessages() override { return m_messages; }

    std::vector<std::unique_ptr<PixelStore>> m_images;
    int m_nCurrent = 0;
    std::string m_strPath;
    float m_fZoom = 1.0f;
    bool m_bPickMode = false;
    int m_nMaskSize = 0;
    std::vector<ViewPoint> m_picks;
    std::vector<PickPointer> m_added, m_removed, m_saved;
    test::RecordingMessages m_messages;
};

// An image whose pixel (x, y), y from the top, has blue = x, green = y and red = tag.
std::unique_ptr<PixelStore> Gradient(int width, int height, unsigned char tag) {
    auto image = std::make_unique<DIBSection>();
    image->Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = image->MemoryRow(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>(x);
            row[3 * x + 1] = static_cast<unsigned char>(y);
            row[3 * x + 2] = tag;
        }
    }
    return std::make_unique<PixelStore>(PixelStore::FromPicture(*image));
}

QRgb Rgb(int red, int green, int blue) {
    return qRgb(red, green, blue);
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

    FakeContext* m_context = nullptr;
    ImageView* m_view = nullptr;

    // A shown 200 × 150 view over `context`.
    void MakeView(int width = 200, int height = 150) {
        m_view = new ImageView(*m_context);
        m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setFrameShape(QFrame::NoFrame);
        m_view->resize(width, height);
        m_view->OnInitialUpdate();
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }
    QImage Render() { return m_view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QWidget* Viewport() { return m_view->viewport(); }

private slots:
    void init() { m_context = new FakeContext; }
    void cleanup() {
        delete m_view;
        m_view = nullptr;
        delete m_context;
        m_context = nullptr;
    }

    void zoomStepsDriftAndStopAtTheFloor() {
        float zoom = 1.0f;
        QCOMPARE(ZoomIn(zoom), 1.0499999523162842f);
        for (int i = 0; i < 10; ++i)
            zoom = ZoomOut(zoom);
        QCOMPARE(zoom, 0.49999988079071045f);
        QCOMPARE(ZoomedLength(1001, zoom), 500);
        QCOMPARE(ZoomedLength(600, zoom), 299);
        for (int i = 10; i < 19; ++i)
            zoom = ZoomOut(zoom);
        QCOMPARE(zoom, 0.05f);
        QCOMPARE(ZoomOut(zoom), 0.05f);
        QCOMPARE(ZoomIn(zoom), 0.1f);
        QCOMPARE(ResetZoom(), 1.0f);
        // Pointer positions go back to image pixels by two separate truncations.
        QCOMPARE(ImageCoordinate(7, 5, 0.5f), 14 + 10);
        QCOMPARE(ImageCoordinate(10, 3, 2.0f), 5 + 1);
    }

    void geometryOfPanReadoutOutlineAndPage() {
        QCOMPARE(PanTarget({50, 40}, {100, 100}, {130, 90}, {500, 500}), (ViewPoint{20, 50}));
        QCOMPARE(PanTarget({10, 0}, {100, 100}, {130, 100}, {500, 500}), (ViewPoint{0, 0}));
        QCOMPARE(PanTarget({490, 0}, {100, 100}, {50, 100}, {500, 500}), (ViewPoint{500, 0}));
        QCOMPARE(
            QString::fromStdString(PositionReadout({210, 20}, {310, 70})),
            QString(
                "X Position Start: 210\nY Position Start: 20\nX Position End: 310\nY Position End: 70\n"));
        const PickOutline outline = PickOutlineAt({10, 10}, 5, 2.0f, {4, 0});
        QCOMPARE(outline.left, 20 - 4 - 4);
        QCOMPARE(outline.top, 20 - 4);
        QCOMPARE(outline.side, 10);
        QCOMPARE(FitToPage(1000, 2000, 4800, 6400), (ViewSize{3200, 6400}));
        QCOMPARE(FitToPage(2000, 1000, 4800, 6400), (ViewSize{4800, 2400}));
    }

    void drawsTheImageUprightAtTheZoomFromTheScrollPosition() {
        m_context->m_images.push_back(Gradient(120, 100, 9));
        MakeView();
        m_view->OnUpdate();
        QImage shot = Render();
        QCOMPARE(shot.pixel(0, 0), Rgb(9, 0, 0));
        QCOMPARE(shot.pixel(37, 21), Rgb(9, 21, 37));
        QCOMPARE(shot.pixel(119, 99), Rgb(9, 99, 119));
        // Outside the picture the view's background shows.
        QCOMPARE(shot.pixel(150, 50), m_view->palette().color(QPalette::Base).rgb());

        m_context->m_fZoom = 2.0f;
        m_view->DrawImage();
        shot = Render();
        QCOMPARE(m_view->GetZoomedSize(), (ViewSize{240, 200}));
        // Zoomed in, each image pixel is a block: displayed columns 74, 75 and rows 42, 43 show (37, 21).
        QCOMPARE(shot.pixel(74, 42), Rgb(9, 21, 37));
        QCOMPARE(shot.pixel(75, 43), Rgb(9, 21, 37));
        QCOMPARE(shot.pixel(76, 41), Rgb(9, 20, 38));
        QCOMPARE(m_view->horizontalScrollBar()->maximum(), 240 - 200);
        QCOMPARE(m_view->verticalScrollBar()->maximum(), 200 - 150);

        m_view->ScrollTo({30, 40});
        shot = Render();
        QCOMPARE(shot.pixel(0, 0), Rgb(9, 20, 15));
        QCOMPARE(shot.pixel(43, 3), Rgb(9, 21, 36));
    }

    void zoomedSizeTruncates() {
        m_context->m_images.push_back(Gradient(1001, 600, 1));
        MakeView();
        m_view->OnUpdate();
        QCOMPARE(m_view->GetZoomedSize(), (ViewSize{1001, 600}));
        float zoom = 1.0f;
        for (int i = 0; i < 10; ++i)
            zoom = ZoomOut(zoom);
        m_context->m_fZoom = zoom;
        m_view->DrawImage();
        Render();
        QCOMPARE(m_view->GetZoomedSize(), (ViewSize{500, 299}));
        QCOMPARE(m_view->horizontalScrollBar()->maximum(), 500 - 200);
        QCOMPARE(m_view->verticalScrollBar()->maximum(), 299 - 150);
    }

    void leftDragPansWithThePointerAndStopsAtZero() {
        m_context->m_images.push_back(Gradient(400, 300, 0));
        MakeView();
        m_view->OnUpdate();
        Render();
        m_view->ScrollTo({100, 50});
        QTest::mousePress(Viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(80, 45), QPointF(80, 45), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(Viewport(), &move);
        QCOMPARE(m_view->GetScrollPosition(), (ViewPoint{70, 55}));
        QMouseEvent far(QEvent::MouseMove, QPointF(180, 45), QPointF(180, 45), Qt::NoButton, Qt::LeftButton,
                        {});
        QApplication::sendEvent(Viewport(), &far);
        QCOMPARE(m_view->GetScrollPosition(), (ViewPoint{0, 55}));
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, QPoint(180, 45));
        // Without the button down, moving does nothing.
        QMouseEvent idle(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(Viewport(), &idle);
        QCOMPARE(m_view->GetScrollPosition(), (ViewPoint{0, 55}));
        QVERIFY(m_context->m_messages.m_shown.empty());
    }

    void rightDragReadsOutDisplayedPositions() {
        m_context->m_images.push_back(Gradient(600, 300, 0));
        MakeView();
        m_view->OnUpdate();
        Render();
        m_view->ScrollTo({200, 0});
        QSignalSpy measured(m_view, &ImageView::Measured);
        QTest::mousePress(Viewport(), Qt::RightButton, {}, QPoint(10, 20));
        QTest::mouseRelease(Viewport(), Qt::RightButton, {}, QPoint(110, 70));
        // Measured in image pixels, counted from 1, in the status bar rather than a message box.
        QCOMPARE(measured.count(), 1);
        QCOMPARE(measured.first().first().toString(), QString("From x 211, y 21 to x 311, y 71: 111.8 px"));
        QVERIFY(m_context->m_messages.Texts().empty());
        // Without an image there is nothing to measure.
        m_context->m_images.clear();
        QTest::mousePress(Viewport(), Qt::RightButton, {}, QPoint(1, 2));
        QTest::mouseRelease(Viewport(), Qt::RightButton, {}, QPoint(3, 4));
        QCOMPARE(measured.count(), 1);
    }

    void pickModeRoutesTheButtonsAndDrawsOutlines() {
        m_context->m_images.push_back(Gradient(150, 120, 0));
        m_context->m_bPickMode = true;
        m_context->m_nMaskSize = 20;
        m_context->m_picks = {{40, 50}};
        MakeView();
        m_view->OnUpdate();
        m_view->ScrollTo({0, 0});

        QTest::mousePress(Viewport(), Qt::RightButton, {}, QPoint(60, 70));
        QTest::mouseRelease(Viewport(), Qt::RightButton, {}, QPoint(60, 70));
        QTest::mousePress(Viewport(), Qt::LeftButton, {}, QPoint(5, 6));
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 60), QPointF(60, 60), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(Viewport(), &move);
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, QPoint(60, 60));
        // A double click as the window system delivers it: press, release, double click, release.
        QTest::mousePress(Viewport(), Qt::LeftButton, {}, QPoint(7, 8));
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, QPoint(7, 8));
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(7, 8), QPointF(7, 8), Qt::LeftButton,
                                Qt::LeftButton, {});
        QApplication::sendEvent(Viewport(), &doubleClick);
        QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, QPoint(7, 8));
        QCOMPARE(m_context->m_added.size(), std::size_t(1));
        QCOMPARE(m_context->m_added[0].window, (ViewPoint{60, 70}));
        // The double click's first press removes, its second saves.
        QCOMPARE(m_context->m_removed.size(), std::size_t(2));
        QCOMPARE(m_context->m_saved.size(), std::size_t(1));
        QCOMPARE(m_view->GetScrollPosition(), (ViewPoint{0, 0}));
        QVERIFY(m_context->m_messages.m_shown.empty());

        // Outline of the pick at (40, 50), size 20: a square from (30, 40) with side 20, 2 pixels wide.
        QImage shot = Render();
        const QRgb red = Rgb(255, 0, 0);
        QCOMPARE(shot.pixel(30, 50), red);
        QCOMPARE(shot.pixel(50, 50), red);
        QCOMPARE(shot.pixel(40, 40), red);
        QCOMPARE(shot.pixel(40, 60), red);
        QCOMPARE(shot.pixel(40, 50), Rgb(0, 50, 40)); // inside: not filled
        QCOMPARE(shot.pixel(25, 50), Rgb(0, 50, 25));

        // At zoom 2 the outline follows: from (60, 80) with side 40.
        m_context->m_fZoom = 2.0f;
        shot = Render();
        QCOMPARE(shot.pixel(60, 100), red);
        QCOMPARE(shot.pixel(100, 100), red);
        QCOMPARE(shot.pixel(80, 120), red);

        // Pick mode off: no outlines.
        m_context->m_bPickMode = false;
        shot = Render();
        QCOMPARE(shot.pixel(60, 100), Rgb(0, 50, 30));
    }

    void imageListFollowsTheDocument() {
        for (int i = 0; i < 6; ++i)
            m_context->m_images.push_back(Gradient(50 + 10 * i, 40, static_cast<unsigned char>(i)));
        m_context->m_strPath = "/scans/six.tif";
        MakeView();
        m_view->OnUpdate();
        QVERIFY(m_view->IsImageListVisible());
        QListWidget& list = m_view->GetDirDlg().GetList();
        QCOMPARE(m_view->GetDirDlg().windowTitle(), QString("Directory"));
        QCOMPARE(list.count(), 6);
        QCOMPARE(list.item(0)->text(), QString("image1"));
        QCOMPARE(list.item(5)->text(), QString("image6"));

        // A single click changes nothing shown; a double click shows the entry's image.
        list.setCurrentRow(3);
        QCOMPARE(m_view->GetImageIndex(), 0);
        m_view->GetDirDlg().OnDoubleClickList();
        QCOMPARE(m_view->GetImageIndex(), 3);
        QCOMPARE(m_context->m_nCurrent, 3);
        QCOMPARE(m_view->GetZoomedSize(), (ViewSize{80, 40}));
        QCOMPARE(Render().pixel(1, 1), Rgb(3, 1, 1));

        // A single image hides the list; the command shows it again with one entry.
        m_context->m_images.resize(1);
        m_view->OnUpdate();
        QVERIFY(!m_view->IsImageListVisible());
        QCOMPARE(list.count(), 1);
        QCOMPARE(m_view->GetImageIndex(), 0);
        m_view->OnImageList();
        QVERIFY(m_view->IsImageListVisible());
        m_view->OnImageList();
        QVERIFY(!m_view->IsImageListVisible());
    }

    void printFitsTheImageToThePage() {
        m_context->m_images.push_back(Gradient(100, 200, 5));
        m_context->m_fZoom = 3.0f;
        m_context->m_bPickMode = true;
        m_context->m_nMaskSize = 10;
        m_context->m_picks = {{50, 50}};
        MakeView();
        m_view->OnUpdate();
        QImage page(480, 640, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            m_view->PrintPage(painter, page.size());
        }
        // 100 × 200 on 480 × 640: ry = 3.2 < rx = 4.8, so 320 × 640 is printed.
        QCOMPARE(page.pixel(319, 639), Rgb(5, 199, 99));
        QCOMPARE(page.pixel(320, 100), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(0, 0), Rgb(5, 0, 0));
        QCOMPARE(page.pixel(160, 320), Rgb(5, 100, 50)); // no pick outline on paper
    }
};

} // namespace gc

QTEST_MAIN(gc::ViewTest)
#include "ViewTest.moc"
