#include "AppIcons.h"

#include "CommandTable.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace gc {
namespace {

constexpr int BUTTON_SIZE = 16;

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A magnifying glass with a sign inside: "+", "-" or "1".
QPixmap Magnifier(char sign) {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 1.6));
    painter.setBrush(QColor(220, 235, 250));
    painter.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
    painter.setPen(QPen(QColor(90, 60, 20), 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    painter.setPen(QPen(QColor(20, 20, 120), 1.6));
    if (sign == '+' || sign == '-')
        painter.drawLine(QPointF(3.8, 6.25), QPointF(8.7, 6.25));
    if (sign == '+')
        painter.drawLine(QPointF(6.25, 3.8), QPointF(6.25, 8.7));
    if (sign == 'F') { // fit: a frame in the lens
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(4.0, 4.0, 4.5, 4.5));
    }
    if (sign == '1') {
        painter.drawLine(QPointF(6.5, 3.6), QPointF(6.5, 9.0));
        painter.drawLine(QPointF(6.5, 3.6), QPointF(5.0, 5.0));
    }
    return pixmap;
}

QPixmap Folder() {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setPen(QColor(120, 90, 20));
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(1, 4, 13, 9);
    painter.drawRect(1, 2, 5, 2);
    painter.setBrush(QColor(250, 225, 130));
    painter.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
    return pixmap;
}

QPixmap Disk() {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setPen(QColor(20, 30, 80));
    painter.setBrush(QColor(60, 80, 160));
    painter.drawRect(1, 1, 13, 13);
    painter.setBrush(Qt::white);
    painter.drawRect(4, 1, 7, 5);
    painter.setBrush(QColor(200, 200, 200));
    painter.drawRect(4, 9, 7, 5);
    return pixmap;
}

QPixmap Printer() {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(Qt::white);
    painter.drawRect(4, 1, 7, 5);
    painter.setBrush(QColor(170, 170, 170));
    painter.drawRect(1, 6, 13, 6);
    painter.setBrush(Qt::white);
    painter.drawRect(4, 10, 7, 5);
    return pixmap;
}

// Run parameters: a form with lines and a tick.
QPixmap Parameters() {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(Qt::white);
    painter.drawRect(2, 1, 11, 14);
    painter.setPen(QColor(30, 30, 160));
    for (int y = 4; y <= 10; y += 3)
        painter.drawLine(4, y, 11, y);
    painter.setPen(QPen(QColor(0, 140, 0), 2));
    painter.drawLine(5, 13, 7, 15);
    painter.drawLine(7, 15, 12, 10);
    return pixmap;
}

QPixmap Question() {
    QPixmap pixmap = Blank(BUTTON_SIZE);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(20, 60, 140));
    painter.setBrush(QColor(60, 120, 210));
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, BUTTON_SIZE, BUTTON_SIZE), Qt::AlignCenter, "?");
    return pixmap;
}

} // namespace

QIcon ApplicationIcon() {
    constexpr int size = 64;
    QPixmap pixmap = Blank(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(35, 35, 40));
    painter.drawRoundedRect(QRectF(2, 8, 60, 48), 5, 5);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF cell(7 + column * 17.5, 13 + row * 20.5, 15, 18);
            painter.setBrush(QColor(250, 250, 250));
            painter.drawRect(cell);
            painter.setBrush(QColor(110 + 30 * column, 120 + 20 * row, 130));
            painter.drawRect(cell.adjusted(1.5, 1.5, -1.5, -1.5));
        }
    }
    return QIcon(pixmap);
}

namespace {
// The drawn icon when the desktop theme has none of that name.
QIcon Themed(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}
} // namespace

QIcon ToolbarIcon(CommandId id) {
    switch (id) {
    case ID_FILE_PRESET_RUN_PARAMETERS:
        return Themed("document-properties", QIcon(Parameters()));
    case ID_FILE_OPEN:
        return Themed("document-open", QIcon(Folder()));
    case ID_FILE_SAVE:
        return Themed("document-save", QIcon(Disk()));
    case ID_FILE_PRINT:
        return Themed("document-print", QIcon(Printer()));
    case ID_APP_ABOUT:
        return Themed("help-about", QIcon(Question()));
    case ID_ZOOM_IN:
        return Themed("zoom-in", QIcon(Magnifier('+')));
    case ID_ZOOM_OUT:
        return Themed("zoom-out", QIcon(Magnifier('-')));
    case ID_RESET_ZOOM:
        return Themed("zoom-original", QIcon(Magnifier('1')));
    case ID_VIEW_FIT_TO_WINDOW:
        return Themed("zoom-fit-best", QIcon(Magnifier('F')));
    case ID_VIEW_ACTUAL_SIZE:
        return Themed("zoom-original", QIcon(Magnifier('1')));
    default:
        return {};
    }
}

} // namespace gc
