#include "Deskew.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gc {

double DeskewGeometry::SourceX(double u, double v) const {
    const double dx = cropX + u - centreX, dy = cropY + v - centreY;
    return centreX + cosine * dx - sine * dy;
}

double DeskewGeometry::SourceY(double u, double v) const {
    const double dx = cropX + u - centreX, dy = cropY + v - centreY;
    return centreY + sine * dx + cosine * dy;
}

DeskewGeometry DeskewFor(const SheetFit& fit, const ScanGeometry& geometry) {
    DeskewGeometry turn;
    const bool finite = std::isfinite(fit.angle) && std::isfinite(fit.cornerX) &&
                        std::isfinite(fit.cornerY) && std::isfinite(fit.width) && std::isfinite(fit.height);
    if (!fit.found || !finite || std::abs(fit.angle) < DESKEW_MIN_DEGREES || std::abs(fit.angle) >= 45)
        return turn;
    const double radians = fit.angle * std::numbers::pi / 180.0;
    turn.cosine = std::cos(radians);
    turn.sine = std::sin(radians);
    turn.width = geometry.m_nExpectedWidth;
    turn.height = geometry.m_nExpectedHeight;
    // The sheet's centre: from its top-left corner half its size along the top edge and down the
    // left one (the expected size where an edge was not found).
    const double sheetWidth = fit.width > 0 ? fit.width : turn.width;
    const double sheetHeight = fit.height > 0 ? fit.height : turn.height;
    turn.centreX = fit.cornerX + sheetWidth / 2 * turn.cosine - sheetHeight / 2 * turn.sine;
    turn.centreY = fit.cornerY + sheetWidth / 2 * turn.sine + sheetHeight / 2 * turn.cosine;
    // Turned back, the sheet lies square about its centre.
    turn.cropX = static_cast<int>(std::lround(turn.centreX - sheetWidth / 2));
    turn.cropY = static_cast<int>(std::lround(turn.centreY - sheetHeight / 2));
    double left = turn.SourceX(0, 0), right = left, top = turn.SourceY(0, 0), bottom = top;
    for (const auto& [u, v] :
         {std::pair{turn.width - 1, 0}, {0, turn.height - 1}, {turn.width - 1, turn.height - 1}}) {
        left = std::min(left, turn.SourceX(u, v));
        right = std::max(right, turn.SourceX(u, v));
        top = std::min(top, turn.SourceY(u, v));
        bottom = std::max(bottom, turn.SourceY(u, v));
    }
    // One pixel beyond each side for the interpolation's neighbours.
    turn.boxX0 = std::max(0, static_cast<int>(std::floor(left)) - 1);
    turn.boxY0 = std::max(0, static_cast<int>(std::floor(top)) - 1);
    turn.boxX1 = std::max(turn.boxX0 + 1, static_cast<int>(std::floor(right)) + 2);
    turn.boxY1 = std::max(turn.boxY0 + 1, static_cast<int>(std::floor(bottom)) + 2);
    turn.active = true;
    return turn;
}

namespace {

// The box rows output row v reads: from the first to the last (inclusive).
int FirstRowNeeded(const DeskewGeometry& turn, int v) {
    const double top = std::min(turn.SourceY(0, v), turn.SourceY(turn.width - 1, v));
    return static_cast<int>(std::floor(top)) - turn.boxY0;
}

int LastRowNeeded(const DeskewGeometry& turn, int v) {
    const double bottom = std::max(turn.SourceY(0, v), turn.SourceY(turn.width - 1, v));
    return static_cast<int>(std::floor(bottom)) + 1 - turn.boxY0;
}

} // namespace

DeskewSink::DeskewSink(ImageRowSink& target, const DeskewPlan& plan) : m_target(target), m_plan(plan) {}

unsigned char* DeskewSink::RowPlace(int image, int rowIndex) {
    return m_plan[static_cast<std::size_t>(image - 1)].active ? nullptr : m_target.RowPlace(image, rowIndex);
}

SplitResult DeskewSink::WriteOutputRow(int image, const unsigned char* row, int rowIndex) {
    const DeskewGeometry& turn = m_plan[static_cast<std::size_t>(image - 1)];
    if (!turn.active)
        return m_target.WriteOutputRow(image, row, rowIndex);
    Band& band = m_bands[static_cast<std::size_t>(image - 1)];
    if (band.rows.empty())
        band.first = rowIndex;
    band.rows.emplace_back(row, row + (turn.boxX1 - turn.boxX0));
    band.received = rowIndex + 1;
    m_nPeakBandRows = std::max(m_nPeakBandRows, band.rows.size());
    return Emit(image, false);
}

SplitResult DeskewSink::Finish() {
    for (int image = 1; image <= MAX_IMAGES; ++image)
        if (m_plan[static_cast<std::size_t>(image - 1)].active)
            if (SplitResult written = Emit(image, true); !written.Succeeded())
                return written;
    return {};
}

SplitResult DeskewSink::Emit(int image, bool flush) {
    const DeskewGeometry& turn = m_plan[static_cast<std::size_t>(image - 1)];
    Band& band = m_bands[static_cast<std::size_t>(image - 1)];
    band.output.resize(static_cast<std::size_t>(turn.width));
    while (band.nextOutput < turn.height && (flush || LastRowNeeded(turn, band.nextOutput) < band.received)) {
        Interpolate(turn, band, band.nextOutput, band.output.data());
        if (SplitResult written = m_target.WriteOutputRow(image, band.output.data(), band.nextOutput);
            !written.Succeeded())
            return written;
        ++band.nextOutput;
        // Rows above what the next output row reads are not needed again.
        const int keepFrom =
            band.nextOutput < turn.height ? FirstRowNeeded(turn, band.nextOutput) : band.received;
        while (!band.rows.empty() && band.first < keepFrom) {
            band.rows.pop_front();
            ++band.first;
        }
    }
    if (flush)
        band.rows.clear();
    return {};
}

void DeskewSink::Interpolate(const DeskewGeometry& turn, const Band& band, int v, unsigned char* out) const {
    const int rowWidth = turn.boxX1 - turn.boxX0;
    const int rowCount = static_cast<int>(band.rows.size());
    const auto pixel = [&](int x, int y) -> double {
        const int index = y - band.first;
        if (x < 0 || x >= rowWidth || index < 0 || index >= rowCount)
            return 0.0;
        return band.rows[static_cast<std::size_t>(index)][static_cast<std::size_t>(x)];
    };
    const double startX = turn.SourceX(0, v) - turn.boxX0;
    const double startY = turn.SourceY(0, v) - turn.boxY0;
    for (int u = 0; u < turn.width; ++u) {
        const double x = startX + u * turn.cosine;
        const double y = startY + u * turn.sine;
        const double floorX = std::floor(x), floorY = std::floor(y);
        const int x0 = static_cast<int>(floorX), y0 = static_cast<int>(floorY);
        const double fx = x - floorX, fy = y - floorY;
        const double upper = pixel(x0, y0) * (1 - fx) + pixel(x0 + 1, y0) * fx;
        const double lower = pixel(x0, y0 + 1) * (1 - fx) + pixel(x0 + 1, y0 + 1) * fx;
        out[u] = static_cast<unsigned char>(std::clamp(upper * (1 - fy) + lower * fy + 0.5, 0.0, 255.0));
    }
}

} // namespace gc
