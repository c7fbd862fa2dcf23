// The sheet finder: levels from the cell itself, edge points along profiles read from the outside in,
// robust line fits, corner and angle.
#include "SheetFinder.h"

#include "SplitMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace gc {
namespace {

constexpr int GRID_COLUMNS = 3;
constexpr double PI = 3.14159265358979323846;
constexpr int DARK_BEFORE = 4;      // dark pixels an edge must follow
constexpr int SUSTAIN_LENGTH = 384; // pixels past an edge that must be mostly bright
constexpr double SUSTAIN_SHARE = 0.9;
constexpr int MIN_CONTRAST = 24;    // least difference of sheet and holder levels
constexpr int MIN_POINTS = 6;       // edge points a line needs
constexpr int PROBES_PER_GROUP = 6; // neighbouring profiles, sharing the tiles they cross
constexpr int PROBE_SPACING = 32;
constexpr double GROUP_PLACES[] = {0.2, 0.4, 0.6, 0.8}; // along the sheet's side
constexpr int HOLDER_SAMPLE_FROM = 40;                  // past a glow at the scan's edge
constexpr int HOLDER_SAMPLE_COUNT = 32;
constexpr int LEVEL_PATCH = 32, LEVEL_PATCH_STEP = 16;
constexpr double ANGLE_AGREEMENT = 0.05; // degrees: edges whose angles lie this close to the median

// A straight run of pixels from a start, one pixel at a time along x or y, forward or back.
struct Profile {
    int startX = 0, startY = 0;
    int stepX = 0, stepY = 0;
    int length = 0;
    int Value(const PixelReader& pixel, int i) const { return pixel(startX + stepX * i, startY + stepY * i); }
    // The continuous coordinate (across the edge) of the centre of pixel i.
    double Centre(int i) const { return (stepX != 0 ? startX + stepX * i : startY + stepY * i) + 0.5; }
    int Step() const { return stepX + stepY; }
};

bool Sustained(const Profile& profile, const PixelReader& pixel, int from, int threshold) {
    int bright = 0;
    for (int i = from; i < from + SUSTAIN_LENGTH; ++i)
        if (profile.Value(pixel, i) > threshold)
            ++bright;
    return bright >= SUSTAIN_SHARE * SUSTAIN_LENGTH;
}

// Where the profile first crosses from the holder into a lasting bright area, interpolated between the
// two pixels around the threshold; nothing when it never does.
std::optional<double> FindEdge(const Profile& profile, const PixelReader& pixel, int threshold) {
    int darkRun = 0;
    int previous = -1;
    for (int i = 0; i < profile.length; ++i) {
        const int value = profile.Value(pixel, i);
        if (value <= threshold) {
            ++darkRun;
            previous = value;
            continue;
        }
        if (darkRun >= DARK_BEFORE && Sustained(profile, pixel, i, threshold)) {
            const double low = std::max(previous, 0);
            const double share = (threshold - low) / (value - low);
            return profile.Centre(i - 1) + profile.Step() * share;
        }
        darkRun = 0;
    }
    return std::nullopt;
}

int Percentile(std::vector<int> values, double share) {
    if (values.empty())
        return -1;
    const auto at =
        values.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// The median of a patch of samples around (x, y).
int PatchLevel(const PixelReader& pixel, int x, int y) {
    std::vector<int> values;
    for (int row = 0; row < LEVEL_PATCH; ++row)
        for (int column = 0; column < LEVEL_PATCH; ++column) {
            const int value = pixel(x + (column - LEVEL_PATCH / 2) * LEVEL_PATCH_STEP,
                                    y + (row - LEVEL_PATCH / 2) * LEVEL_PATCH_STEP);
            if (value >= 0)
                values.push_back(value);
        }
    return Percentile(values, 0.5);
}

// Profiles across one side: groups of neighbouring profiles at GROUP_PLACES of `span` from `from`.
// `across` says where they start and `step` which way they run (+1 or -1); `vertical` profiles run
// along y (for the top and bottom sides).
std::vector<Profile> SideProfiles(bool vertical, double from, double span, int across, int step, int length) {
    std::vector<Profile> profiles;
    for (double place : GROUP_PLACES)
        for (int k = 0; k < PROBES_PER_GROUP; ++k) {
            const int along = static_cast<int>(std::lround(from + place * span)) + k * PROBE_SPACING;
            Profile profile;
            profile.startX = vertical ? along : across;
            profile.startY = vertical ? across : along;
            (vertical ? profile.stepY : profile.stepX) = step;
            profile.length = length;
            profiles.push_back(profile);
        }
    return profiles;
}

EdgeLine FitSide(const std::vector<Profile>& profiles, const PixelReader& pixel, int threshold) {
    std::vector<double> along, across;
    for (const Profile& profile : profiles)
        if (const std::optional<double> edge = FindEdge(profile, pixel, threshold)) {
            along.push_back((profile.stepY != 0 ? profile.startX : profile.startY) + 0.5);
            across.push_back(*edge);
        }
    return FitEdgeLine(along, across);
}

EdgeLine LeastSquares(const std::vector<double>& along, const std::vector<double>& across,
                      const std::vector<bool>& kept) {
    double n = 0, sumT = 0, sumS = 0, sumTT = 0, sumTS = 0;
    for (std::size_t i = 0; i < along.size(); ++i)
        if (kept[i]) {
            n += 1;
            sumT += along[i];
            sumS += across[i];
            sumTT += along[i] * along[i];
            sumTS += along[i] * across[i];
        }
    EdgeLine line;
    const double spread = n * sumTT - sumT * sumT;
    if (n < MIN_POINTS || spread <= 0)
        return line;
    line.fitted = true;
    line.slope = (n * sumTS - sumT * sumS) / spread;
    line.offset = (sumS - line.slope * sumT) / n;
    line.points = static_cast<int>(n);
    return line;
}

// The four sides' profiles start outside the sheet and run into it; a side not found stays unfitted.
struct CellFrame {
    int left = 0, top = 0; // the cell's corner
    int searchWidth = 0, searchHeight = 0;
    int expectedWidth = 0, expectedHeight = 0;
};

int HolderLevel(const std::vector<Profile>& profiles, const PixelReader& pixel) {
    std::vector<int> values;
    for (const Profile& profile : profiles)
        for (int i = HOLDER_SAMPLE_FROM; i < HOLDER_SAMPLE_FROM + HOLDER_SAMPLE_COUNT; ++i)
            if (const int value = profile.Value(pixel, i); value >= 0)
                values.push_back(value);
    return Percentile(values, 0.2);
}

// The sheet's angle from its fitted sides: the mean of those that agree with their median.
double SheetAngle(const SheetFit& fit) {
    std::vector<double> angles;
    const double degrees = 180 / PI;
    if (fit.top.fitted)
        angles.push_back(std::atan(fit.top.slope) * degrees);
    if (fit.bottom.fitted)
        angles.push_back(std::atan(fit.bottom.slope) * degrees);
    if (fit.left.fitted)
        angles.push_back(-std::atan(fit.left.slope) * degrees);
    if (fit.right.fitted)
        angles.push_back(-std::atan(fit.right.slope) * degrees);
    std::vector<double> sorted = angles;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.size() % 2 == 1
                              ? sorted[sorted.size() / 2]
                              : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    double sum = 0;
    int count = 0;
    for (double angle : angles)
        if (std::abs(angle - median) <= ANGLE_AGREEMENT) {
            sum += angle;
            ++count;
        }
    return count > 0 ? sum / count : median;
}

// Where the top and left lines meet.
void Corner(SheetFit& fit) {
    const double denominator = 1 - fit.left.slope * fit.top.slope;
    fit.cornerX = (fit.left.offset + fit.left.slope * fit.top.offset) / denominator;
    fit.cornerY = fit.top.At(fit.cornerX);
    fit.x0 = static_cast<int>(std::lround(fit.cornerX));
    fit.y0 = static_cast<int>(std::lround(fit.cornerY));
}

// The far sides, searched from beyond the expected size back toward the sheet.
void FitFarSides(const CellFrame& cell, const PixelReader& pixel, int threshold, SheetFit& fit) {
    const double middleY = fit.cornerY + cell.expectedHeight / 2.0;
    const double middleX = fit.cornerX + cell.expectedWidth / 2.0;
    // Past the expected size by an eighth of it or half the search of the near sides, whichever is more.
    const int beyondWidth = std::max(cell.searchWidth / 2, cell.expectedWidth / 8);
    const int beyondHeight = std::max(cell.searchHeight / 2, cell.expectedHeight / 8);
    const int rightStart = static_cast<int>(fit.left.At(middleY)) + cell.expectedWidth + beyondWidth;
    const int bottomStart = static_cast<int>(fit.top.At(middleX)) + cell.expectedHeight + beyondHeight;
    fit.right = FitSide(SideProfiles(false, fit.cornerY, cell.expectedHeight, rightStart, -1,
                                     beyondWidth + cell.expectedWidth / 4),
                        pixel, threshold);
    fit.bottom = FitSide(SideProfiles(true, fit.cornerX, cell.expectedWidth, bottomStart, -1,
                                      beyondHeight + cell.expectedHeight / 4),
                         pixel, threshold);
    if (fit.right.fitted)
        fit.width = fit.right.At(middleY) - fit.left.At(middleY);
    if (fit.bottom.fitted)
        fit.height = fit.bottom.At(middleX) - fit.top.At(middleX);
}

} // namespace

EdgeLine FitEdgeLine(const std::vector<double>& along, const std::vector<double>& across) {
    std::vector<bool> kept(along.size(), true);
    for (;;) {
        const EdgeLine line = LeastSquares(along, across, kept);
        if (!line.fitted)
            return line;
        std::vector<double> distances;
        std::size_t worst = 0;
        double worstDistance = -1;
        for (std::size_t i = 0; i < along.size(); ++i)
            if (kept[i]) {
                const double distance = std::abs(across[i] - line.At(along[i]));
                distances.push_back(distance);
                if (distance > worstDistance) {
                    worstDistance = distance;
                    worst = i;
                }
            }
        std::nth_element(distances.begin(),
                         distances.begin() + static_cast<std::ptrdiff_t>(distances.size() / 2),
                         distances.end());
        const double tolerance = std::max(1.5, 3 * distances[distances.size() / 2]);
        if (worstDistance <= tolerance)
            return line;
        kept[worst] = false;
    }
}

SheetFit FindSheet(const ScanGeometry& geometry, const PixelReader& pixel, int number) {
    CellFrame cell;
    cell.left = ((number - 1) % GRID_COLUMNS) * geometry.m_nCellWidth;
    cell.top = ((number - 1) / GRID_COLUMNS) * geometry.m_nCellHeight;
    cell.searchWidth = geometry.m_nCellWidth / 4;
    cell.searchHeight = geometry.m_nCellHeight / 4;
    cell.expectedWidth = geometry.m_nExpectedWidth;
    cell.expectedHeight = geometry.m_nExpectedHeight;

    SheetFit fit;
    const std::vector<Profile> top = SideProfiles(true, cell.left, cell.expectedWidth, cell.top - DARK_BEFORE,
                                                  1, cell.searchHeight + DARK_BEFORE);
    const std::vector<Profile> left = SideProfiles(
        false, cell.top, cell.expectedHeight, cell.left - DARK_BEFORE, 1, cell.searchWidth + DARK_BEFORE);
    std::vector<Profile> outside = top;
    outside.insert(outside.end(), left.begin(), left.end());
    fit.holderLevel = HolderLevel(outside, pixel);
    fit.sheetLevel =
        PatchLevel(pixel, cell.left + cell.expectedWidth / 2, cell.top + cell.expectedHeight / 2);
    if (fit.holderLevel < 0 || fit.sheetLevel - fit.holderLevel < MIN_CONTRAST)
        return fit;
    const int threshold = (fit.holderLevel + fit.sheetLevel) / 2;
    fit.top = FitSide(top, pixel, threshold);
    if (!fit.top.fitted)
        return fit;
    // The left side's profiles lie below the top edge found.
    const double topY = fit.top.At(cell.left + cell.expectedWidth / 2.0);
    fit.left = FitSide(SideProfiles(false, topY, cell.expectedHeight, cell.left - DARK_BEFORE, 1,
                                    cell.searchWidth + DARK_BEFORE),
                       pixel, threshold);
    if (!fit.left.fitted)
        return fit;
    Corner(fit);
    FitFarSides(cell, pixel, threshold, fit);
    fit.angle = SheetAngle(fit);
    fit.found = true;
    return fit;
}

namespace {

std::string Degrees(double angle) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", angle);
    return text;
}

} // namespace

void CheckSheetImages(const ScanGeometry& geometry, const std::vector<SheetFit>& fits,
                      std::vector<ImageRecord>& images) {
    const auto fitOf = [&fits](const ImageRecord& image) -> const SheetFit* {
        const auto slot = static_cast<std::size_t>(image.number - 1);
        return slot < fits.size() && fits[slot].found ? &fits[slot] : nullptr;
    };
    CheckImageSizes(
        geometry,
        [&](const ImageRecord& image) {
            const SheetFit* fit = fitOf(image);
            MeasuredSize size;
            if (fit && fit->right.fitted && fit->bottom.fitted)
                size = {static_cast<int>(std::lround(fit->width)),
                        static_cast<int>(std::lround(fit->height))};
            return size;
        },
        images);
    for (ImageRecord& image : images) {
        const SheetFit* fit = fitOf(image);
        if (!image.found || !fit)
            continue;
        image.hasAngle = true;
        image.angle = fit->angle;
        if (std::abs(fit->angle) > TURN_WARNING_DEGREES)
            image.warnings.push_back(SHEET_WARNING_TURNED + Degrees(fit->angle) + SHEET_WARNING_SQUARE);
        const double middleX = image.x + image.width / 2.0, middleY = image.y + image.height / 2.0;
        const int pastRight =
            fit->right.fitted ? static_cast<int>(image.x + image.width - fit->right.At(middleY)) : 0;
        if (pastRight > CROP_PAST_SHEET_TOLERANCE)
            image.warnings.push_back(SHEET_WARNING_CROP_REACHES + std::to_string(pastRight) +
                                     SHEET_WARNING_PAST_RIGHT);
        const int pastBottom =
            fit->bottom.fitted ? static_cast<int>(image.y + image.height - fit->bottom.At(middleX)) : 0;
        if (pastBottom > CROP_PAST_SHEET_TOLERANCE)
            image.warnings.push_back(SHEET_WARNING_CROP_REACHES + std::to_string(pastBottom) +
                                     SHEET_WARNING_PAST_BOTTOM);
    }
}

void AddSheetFinderHints(const ScanGeometry& geometry, const PixelReader& pixel,
                         std::vector<ImageRecord>& images) {
    for (ImageRecord& image : images) {
        if (!image.found || image.warnings.empty())
            continue;
        const SheetFit fit = FindSheet(geometry, pixel, image.number);
        if (!fit.found)
            continue;
        const bool moved = std::abs(fit.x0 - image.x) > 2 || std::abs(fit.y0 - image.y) > 2;
        if (moved || std::abs(fit.angle) > TURN_WARNING_DEGREES)
            image.warnings.push_back(SHEET_HINT_PLACES + std::to_string(fit.x0) + SHEET_HINT_Y +
                                     std::to_string(fit.y0) + SHEET_HINT_TURNED + Degrees(fit.angle) +
                                     SHEET_HINT_TRY);
    }
}

} // namespace gc
