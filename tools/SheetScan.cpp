// Realistic film scans: plans the sheets (place, size, angle) from the seed, draws the holder's and
// the sheets' flaws, and renders every pixel from them: holder with its flaws, the sheets over it
// with their soft edges and marks, then illumination and grain.
#include "tools/SheetScan.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

namespace gc::tools {

namespace {

constexpr int GRID_COLUMNS = 3;
constexpr double PI = 3.14159265358979323846;
constexpr int BUCKET_ROWS = 256; // flaws are looked up by bands of this many rows
constexpr int SHEET_GAP = 40;    // least clear holder between two sheets, pixels
constexpr int MAX_DRAWS = 200;
constexpr int MARK_DEPTH = 48; // how far the data-strip bars reach into the sheet
constexpr int GLOW_WIDTH = 35; // the glow along the scan's edges
constexpr int SCRATCH_LEVEL = 235;
constexpr int TEXTURE_PERIOD_U = 1534, TEXTURE_PERIOD_V = 2046;

// Uniform draws from one generator, the same on every platform.
class Draw {
public:
    explicit Draw(unsigned seed) : m_random(seed) {}
    double Unit() { return static_cast<double>(m_random()) / 4294967296.0; } // [0, 1)
    double Between(double low, double high) { return low + (high - low) * Unit(); }
    int Upto(int high) {
        return high <= 0 ? 0 : static_cast<int>(m_random() % static_cast<unsigned>(high + 1));
    }

private:
    std::mt19937 m_random;
};

std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

// Coverage of a pixel whose centre lies `distance` inside an edge blurred over `soft` pixels.
double Coverage(double distance, double soft) {
    if (soft <= 0)
        return distance > 0 ? 1.0 : 0.0;
    return Clamp01(0.5 + distance / soft);
}

// A thin straight flaw (a disc when its ends coincide): fibres, scratches, dust.
struct Stroke {
    double x0, y0, x1, y1;
    double halfWidth;
    int level;    // its grey level
    bool onSheet; // drawn on the sheets (scratches, dark dust) or on the holder
    double Left() const { return std::min(x0, x1) - halfWidth - 1; }
    double Right() const { return std::max(x0, x1) + halfWidth + 1; }
    double Top() const { return std::min(y0, y1) - halfWidth - 1; }
    double Bottom() const { return std::max(y0, y1) + halfWidth + 1; }
    double Distance(double x, double y) const {
        const double dx = x1 - x0, dy = y1 - y0;
        const double length2 = dx * dx + dy * dy;
        const double t = length2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0, 1.0) : 0.0;
        return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
    }
};

// A light leak: a bright band with soft sides.
struct Leak {
    double left, top, right, bottom;
    int level; // added to the holder
};

struct Notch {
    double u, v, radius; // centre in the sheet's own coordinates
};

struct PlacedSheet {
    SheetTruth truth;
    double centreX = 0, centreY = 0, cosine = 1, sine = 0;
    double exposure = 1;
    std::vector<Notch> notches;
    double left = 0, top = 0, right = 0, bottom = 0; // bounding box
};

void FillCorners(PlacedSheet& sheet) {
    const double halfWidth = sheet.truth.width / 2, halfHeight = sheet.truth.height / 2;
    const double local[4][2] = {{-halfWidth, -halfHeight},
                                {halfWidth, -halfHeight},
                                {halfWidth, halfHeight},
                                {-halfWidth, halfHeight}};
    sheet.left = sheet.top = 1e18;
    sheet.right = sheet.bottom = -1e18;
    for (int i = 0; i < 4; ++i) {
        const double x = sheet.centreX + local[i][0] * sheet.cosine - local[i][1] * sheet.sine;
        const double y = sheet.centreY + local[i][0] * sheet.sine + local[i][1] * sheet.cosine;
        sheet.truth.corners[i] = {x, y};
        sheet.left = std::min(sheet.left, x);
        sheet.right = std::max(sheet.right, x);
        sheet.top = std::min(sheet.top, y);
        sheet.bottom = std::max(sheet.bottom, y);
    }
}

PlacedSheet DrawSheet(const SheetScanSpec& recipe, const SearchLayout& layout, int index, Draw& draw) {
    const SheetEffects& effects = recipe.effects;
    PlacedSheet sheet;
    sheet.truth.number = index + 1;
    sheet.truth.present = true;
    sheet.truth.width = ImageWidthPixels(recipe.scan) + 2 * effects.sheetMargin;
    sheet.truth.height = ImageHeightPixels(recipe.scan) + 2 * effects.sheetMargin;
    sheet.truth.angle = draw.Between(-1, 1) * effects.rotationDegrees;
    const double turn = std::abs(sheet.truth.angle) * PI / 180;
    // The turned sheet's box; the drawn offset is held so that the box keeps clear of the cell's end.
    const double boxWidth = sheet.truth.width * std::cos(turn) + sheet.truth.height * std::sin(turn);
    const double boxHeight = sheet.truth.height * std::cos(turn) + sheet.truth.width * std::sin(turn);
    const int column = index % GRID_COLUMNS, row = index / GRID_COLUMNS;
    // The last sheet of a row may use the rest of the scan, and so may a sheet with none below it.
    const bool lastInRow = column == GRID_COLUMNS - 1 || index == recipe.scan.m_nImages - 1;
    const bool lastInColumn = index + GRID_COLUMNS >= recipe.scan.m_nImages;
    const double cellRight =
        lastInRow ? recipe.scan.m_nWidth : std::min((column + 1) * layout.m_nCellWidth, recipe.scan.m_nWidth);
    const double cellBottom = lastInColumn
                                  ? recipe.scan.m_nHeight
                                  : std::min((row + 1) * layout.m_nCellHeight, recipe.scan.m_nHeight);
    const double drawnX =
        recipe.scan.m_nMargin + draw.Upto(recipe.scan.m_nJitter) + draw.Upto(effects.displacement);
    const double drawnY =
        recipe.scan.m_nMargin + draw.Upto(recipe.scan.m_nJitter) + draw.Upto(effects.displacement);
    const double boxLeft = std::max<double>(
        SHEET_GAP, std::min(column * layout.m_nCellWidth + drawnX, cellRight - boxWidth - SHEET_GAP));
    const double boxTop = std::max<double>(
        SHEET_GAP, std::min(row * layout.m_nCellHeight + drawnY, cellBottom - boxHeight - SHEET_GAP));
    sheet.centreX = std::floor(boxLeft) + boxWidth / 2;
    sheet.centreY = std::floor(boxTop) + boxHeight / 2;
    sheet.cosine = std::cos(sheet.truth.angle * PI / 180);
    sheet.sine = std::sin(sheet.truth.angle * PI / 180);
    sheet.exposure = 1 + draw.Between(-1, 1) * effects.exposure;
    if (effects.notches) {
        sheet.notches.push_back({0, draw.Between(180, 520), draw.Between(35, 90)});
        sheet.notches.push_back({draw.Between(600, 1400), 0, draw.Between(25, 60)});
    }
    FillCorners(sheet);
    return sheet;
}

bool SheetsFit(const SheetScanSpec& recipe, const std::vector<PlacedSheet>& sheets) {
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const PlacedSheet& a = sheets[i];
        if (a.left < SHEET_GAP || a.top < SHEET_GAP || a.right > recipe.scan.m_nWidth - SHEET_GAP ||
            a.bottom > recipe.scan.m_nHeight - SHEET_GAP)
            return false;
        for (std::size_t j = i + 1; j < sheets.size(); ++j) {
            const PlacedSheet& b = sheets[j];
            if (a.left < b.right + SHEET_GAP && b.left < a.right + SHEET_GAP &&
                a.top < b.bottom + SHEET_GAP && b.top < a.bottom + SHEET_GAP)
                return false;
        }
    }
    return true;
}

std::vector<PlacedSheet> PlaceSheets(const SheetScanSpec& recipe) {
    const SearchLayout layout = ComputeSearchLayout(recipe.scan);
    Draw draw(recipe.scan.m_nSeed * 2654435761U + 17);
    std::vector<PlacedSheet> sheets;
    for (int attempt = 0; attempt < MAX_DRAWS; ++attempt) {
        sheets.clear();
        for (int k = 0; k < recipe.scan.m_nImages; ++k)
            sheets.push_back(DrawSheet(recipe, layout, k, draw));
        if (SheetsFit(recipe, sheets))
            break;
    }
    if (!SheetsFit(recipe, sheets))
        return {};
    std::vector<int> order(sheets.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = static_cast<int>(k);
    for (int gone = 0; gone < recipe.effects.missing && gone < static_cast<int>(order.size()); ++gone) {
        const int pick = gone + draw.Upto(static_cast<int>(order.size()) - 1 - gone);
        std::swap(order[gone], order[pick]);
        sheets[order[gone]].truth.present = false;
    }
    return sheets;
}

// Fibres and dust in the holder, scratches and dark dust on the sheets, leaks above the sheets.
struct Flaws {
    std::vector<Stroke> strokes;
    std::vector<Leak> leaks;
};

void DrawHolderFlaws(const SheetScanSpec& recipe, const std::vector<PlacedSheet>& sheets, Draw& draw,
                     Flaws& flaws) {
    const SheetEffects& effects = recipe.effects;
    const double width = recipe.scan.m_nWidth, height = recipe.scan.m_nHeight;
    for (int i = 0; i < effects.dust; ++i) {
        const double x = draw.Between(0, width), y = draw.Between(0, height);
        const bool onSheet = i % 2 == 1;
        flaws.strokes.push_back(
            {x, y, x, y, draw.Between(2, 12), onSheet ? 35 : draw.Upto(70) + 180, onSheet});
    }
    for (int i = 0; i < effects.fibres && !sheets.empty(); ++i) {
        const PlacedSheet& near =
            sheets[static_cast<std::size_t>(draw.Upto(static_cast<int>(sheets.size()) - 1))];
        const double length = draw.Between(100, 1500), turn = draw.Between(-0.3, 0.3);
        // Half of them lie close above the sheet along its top edge, the others beside its left edge.
        const double gap = draw.Between(30, 150);
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (i % 2 == 0) {
            x0 = draw.Between(near.left, near.right - length);
            y0 = near.top - gap;
            x1 = x0 + length * std::cos(turn);
            y1 = y0 + length * std::sin(turn);
        } else {
            x0 = near.left - gap;
            y0 = draw.Between(near.top, near.bottom - length);
            x1 = x0 + length * std::sin(turn);
            y1 = y0 + length * std::cos(turn);
        }
        flaws.strokes.push_back({x0, y0, x1, y1, draw.Between(1, 4), draw.Upto(80) + 150, false});
    }
    for (int i = 0; i < effects.leaks && !sheets.empty(); ++i) {
        const PlacedSheet& near =
            sheets[static_cast<std::size_t>(draw.Upto(static_cast<int>(sheets.size()) - 1))];
        const double bandHeight = draw.Between(150, 260), gap = draw.Between(60, 110);
        const double left = draw.Between(near.left, near.right - 3000);
        const double bottom = near.top - gap;
        flaws.leaks.push_back({left, std::max(0.0, bottom - bandHeight), left + draw.Between(1000, 3000),
                               bottom, draw.Upto(60) + 110});
    }
}

void DrawSheetFlaws(const SheetScanSpec& recipe, const std::vector<PlacedSheet>& sheets, Draw& draw,
                    Flaws& flaws) {
    for (int i = 0; i < recipe.effects.scratches && !sheets.empty(); ++i) {
        const PlacedSheet& on =
            sheets[static_cast<std::size_t>(draw.Upto(static_cast<int>(sheets.size()) - 1))];
        const double length = draw.Between(500, 5000), turn = draw.Between(0, PI);
        // Every other scratch starts just inside the top or left edge and runs out through it.
        const bool throughEdge = i % 2 == 0;
        const double x0 =
            throughEdge ? draw.Between(on.left + 200, on.right - 200) : draw.Between(on.left, on.right);
        const double y0 = throughEdge ? on.top + draw.Between(5, 60) : draw.Between(on.top, on.bottom);
        const double x1 = x0 + length * std::cos(turn) * (throughEdge ? 0.1 : 1.0);
        const double y1 = throughEdge ? y0 - length * 0.05 : y0 + length * std::sin(turn);
        flaws.strokes.push_back({x0, y0, x1, y1, draw.Between(0.7, 2.5), SCRATCH_LEVEL, true});
    }
}

class SheetRenderer {
public:
    SheetRenderer(const SheetScanSpec& recipe, std::vector<PlacedSheet> sheets, Flaws flaws)
        : m_recipe(recipe), m_sheets(std::move(sheets)), m_flaws(std::move(flaws)),
          m_seedKey(Mix(recipe.scan.m_nSeed + 0x51EE7ULL)), m_waveU(TEXTURE_PERIOD_U),
          m_waveV(TEXTURE_PERIOD_V) {
        for (int i = 0; i < TEXTURE_PERIOD_U; ++i)
            m_waveU[static_cast<std::size_t>(i)] = std::sin(i * 2 * PI / TEXTURE_PERIOD_U);
        for (int i = 0; i < TEXTURE_PERIOD_V; ++i)
            m_waveV[static_cast<std::size_t>(i)] = std::sin(i * 2 * PI / TEXTURE_PERIOD_V);
        const int buckets = recipe.scan.m_nHeight / BUCKET_ROWS + 2;
        m_buckets.resize(static_cast<std::size_t>(buckets));
        for (std::size_t i = 0; i < m_flaws.strokes.size(); ++i) {
            const Stroke& stroke = m_flaws.strokes[i];
            const int first = std::max(0, static_cast<int>(stroke.Top()) / BUCKET_ROWS);
            const int last = std::min(buckets - 1, static_cast<int>(stroke.Bottom()) / BUCKET_ROWS);
            for (int b = first; b <= last; ++b)
                m_buckets[static_cast<std::size_t>(b)].push_back(static_cast<int>(i));
        }
    }

    void RenderRow(int y, int x, int count, std::uint8_t* out) const {
        std::vector<const Stroke*> strokes;
        const int bucket = std::min(y / BUCKET_ROWS, static_cast<int>(m_buckets.size()) - 1);
        for (int i : m_buckets[static_cast<std::size_t>(bucket)]) {
            const Stroke& stroke = m_flaws.strokes[static_cast<std::size_t>(i)];
            if (y + 1 >= stroke.Top() && y <= stroke.Bottom() && x + count >= stroke.Left() &&
                x <= stroke.Right())
                strokes.push_back(&stroke);
        }
        std::vector<const PlacedSheet*> sheets;
        for (const PlacedSheet& sheet : m_sheets)
            if (sheet.truth.present && y + 2 + m_recipe.effects.softEdge >= sheet.top &&
                y - 2 - m_recipe.effects.softEdge <= sheet.bottom)
                sheets.push_back(&sheet);
        for (int i = 0; i < count; ++i)
            out[i] = Pixel(x + i, y, strokes, sheets);
    }

private:
    double Holder(double cx, double cy, const std::vector<const Stroke*>& strokes) const {
        double value = m_recipe.holderLevel;
        if (m_recipe.effects.edgeGlow) {
            const double distance = std::min(cx, cy);
            if (distance < GLOW_WIDTH)
                value += 150 * (1 - distance / GLOW_WIDTH);
        }
        for (const Leak& leak : m_flaws.leaks) {
            if (cx < leak.left - 20 || cx > leak.right + 20 || cy < leak.top - 20 || cy > leak.bottom + 20)
                continue;
            const double inside =
                std::min({cx - leak.left, leak.right - cx, cy - leak.top, leak.bottom - cy});
            if (inside > -20)
                value += leak.level * Clamp01(0.5 + inside / 20);
        }
        for (const Stroke* stroke : strokes)
            if (!stroke->onSheet)
                value = std::max(value,
                                 stroke->level * Clamp01(0.5 + stroke->halfWidth - stroke->Distance(cx, cy)));
        return value;
    }

    // The sheet's own grey level at (u, v) from its top-left corner, before its flaws.
    double SheetLevel(const PlacedSheet& sheet, double u, double v) const {
        const int margin = m_recipe.effects.sheetMargin;
        double level = m_recipe.clearLevel;
        if (u >= margin && v >= margin && u < sheet.truth.width - margin && v < sheet.truth.height - margin) {
            const double wave =
                std::sin(u * 2 * PI / 1534 + sheet.truth.number) + std::sin(v * 2 * PI / 2046);
            level = m_recipe.imageLevel + m_recipe.textureAmplitude * wave / 2;
        }
        if (m_recipe.effects.marks && v < MARK_DEPTH &&
            ((u >= 0 && u < 110) || (u >= 150 && u < 230) || (u >= 270 && u < 420)))
            level = 34;
        return level * sheet.exposure;
    }

    // Coverage and grey level of `sheet` at the pixel centre (cx, cy).
    double Cover(const PlacedSheet& sheet, double cx, double cy, double& level) const {
        const double dx = cx - sheet.centreX, dy = cy - sheet.centreY;
        const double u = dx * sheet.cosine + dy * sheet.sine + sheet.truth.width / 2;
        const double v = -dx * sheet.sine + dy * sheet.cosine + sheet.truth.height / 2;
        const double soft = m_recipe.effects.softEdge;
        const double inside = std::min({u, sheet.truth.width - u, v, sheet.truth.height - v});
        if (inside < -soft - 1)
            return 0;
        double cover = Coverage(inside, soft);
        for (const Notch& notch : sheet.notches)
            if (std::abs(u - notch.u) < notch.radius + soft + 1 &&
                std::abs(v - notch.v) < notch.radius + soft + 1)
                cover = std::min(cover, Coverage(std::hypot(u - notch.u, v - notch.v) - notch.radius, soft));
        level = SheetLevel(sheet, u, v);
        return cover;
    }

    std::uint8_t Pixel(int x, int y, const std::vector<const Stroke*>& strokes,
                       const std::vector<const PlacedSheet*>& sheets) const {
        const double cx = x + 0.5, cy = y + 0.5;
        double value = Holder(cx, cy, strokes);
        for (const PlacedSheet* sheet : sheets) {
            if (cx < sheet->left - 2 - m_recipe.effects.softEdge ||
                cx > sheet->right + 2 + m_recipe.effects.softEdge)
                continue;
            double level = 0;
            const double cover = Cover(*sheet, cx, cy, level);
            if (cover <= 0)
                continue;
            for (const Stroke* stroke : strokes)
                if (stroke->onSheet && stroke->Distance(cx, cy) <= stroke->halfWidth)
                    level = stroke->level;
            value = value * (1 - cover) + level * cover;
        }
        const SheetEffects& effects = m_recipe.effects;
        if (effects.illumination > 0) {
            const double nx = cx / m_recipe.scan.m_nWidth - 0.5, ny = cy / m_recipe.scan.m_nHeight - 0.5;
            value *= 1 - effects.illumination * 2 * (nx * nx + ny * ny);
        }
        if (effects.grain > 0) {
            const std::uint64_t noise =
                Mix(m_seedKey ^ ((static_cast<std::uint64_t>(y) << 32) | static_cast<std::uint32_t>(x)));
            value +=
                static_cast<int>(noise % static_cast<std::uint64_t>(2 * effects.grain + 1)) - effects.grain;
        }
        return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    }

    const SheetScanSpec& m_recipe;
    std::vector<PlacedSheet> m_sheets;
    Flaws m_flaws;
    std::uint64_t m_seedKey;
    std::vector<std::vector<int>> m_buckets;
    std::vector<double> m_waveU, m_waveV;
};

std::vector<SheetTruth> TruthOf(const std::vector<PlacedSheet>& sheets) {
    std::vector<SheetTruth> truth;
    truth.reserve(sheets.size());
    for (const PlacedSheet& sheet : sheets)
        truth.push_back(sheet.truth);
    return truth;
}

} // namespace

std::vector<SheetTruth> PlanSheets(const SheetScanSpec& recipe) {
    return TruthOf(PlaceSheets(recipe));
}

namespace {

// The renderer of `recipe` and its sheets; nullptr (with the reason) when they do not fit.
std::unique_ptr<SheetRenderer> MakeRenderer(const SheetScanSpec& recipe, std::vector<SheetTruth>& truth,
                                            std::string* error) {
    std::vector<PlacedSheet> sheets = PlaceSheets(recipe);
    if (sheets.empty() && recipe.scan.m_nImages > 0) {
        if (error)
            *error = "the sheets do not fit in the scan without touching";
        return nullptr;
    }
    Draw draw(recipe.scan.m_nSeed * 40503U + 99);
    Flaws flaws;
    DrawHolderFlaws(recipe, sheets, draw, flaws);
    DrawSheetFlaws(recipe, sheets, draw, flaws);
    truth = TruthOf(sheets);
    return std::make_unique<SheetRenderer>(recipe, std::move(sheets), std::move(flaws));
}

} // namespace

bool GenerateSheetScan(const SheetScanSpec& recipe, const std::string& path, std::vector<SheetTruth>* truth,
                       std::string* error) {
    std::vector<SheetTruth> planned;
    const std::unique_ptr<SheetRenderer> renderer = MakeRenderer(recipe, planned, error);
    if (!renderer)
        return false;
    if (!WriteTiledScan(
            recipe.scan, path,
            [&renderer](int y, int x, int count, std::uint8_t* out) {
                renderer->RenderRow(y, x, count, out);
            },
            error))
        return false;
    if (truth)
        *truth = planned;
    return true;
}

std::vector<std::uint8_t> RenderSheetScan(const SheetScanSpec& recipe, std::vector<SheetTruth>* truth) {
    std::vector<SheetTruth> planned;
    const std::unique_ptr<SheetRenderer> renderer = MakeRenderer(recipe, planned, nullptr);
    if (!renderer)
        return {};
    const auto width = static_cast<std::size_t>(recipe.scan.m_nWidth);
    std::vector<std::uint8_t> pixels(width * static_cast<std::size_t>(recipe.scan.m_nHeight));
    for (int y = 0; y < recipe.scan.m_nHeight; ++y)
        renderer->RenderRow(y, 0, recipe.scan.m_nWidth, pixels.data() + width * static_cast<std::size_t>(y));
    if (truth)
        *truth = planned;
    return pixels;
}

std::string SheetTruthJson(const SheetScanSpec& recipe, const std::vector<SheetTruth>& truth) {
    const SheetEffects& effects = recipe.effects;
    nlohmann::ordered_json json;
    json["width"] = recipe.scan.m_nWidth;
    json["height"] = recipe.scan.m_nHeight;
    json["seed"] = recipe.scan.m_nSeed;
    json["imageWidth"] = ImageWidthPixels(recipe.scan);
    json["imageHeight"] = ImageHeightPixels(recipe.scan);
    json["effects"] = {{"rotation", effects.rotationDegrees},
                       {"softEdge", effects.softEdge},
                       {"sheetMargin", effects.sheetMargin},
                       {"marks", effects.marks},
                       {"notches", effects.notches},
                       {"dust", effects.dust},
                       {"fibres", effects.fibres},
                       {"scratches", effects.scratches},
                       {"grain", effects.grain},
                       {"illumination", effects.illumination},
                       {"exposure", effects.exposure},
                       {"leaks", effects.leaks},
                       {"edgeGlow", effects.edgeGlow},
                       {"missing", effects.missing},
                       {"displacement", effects.displacement}};
    json["sheets"] = nlohmann::ordered_json::array();
    for (const SheetTruth& sheet : truth) {
        nlohmann::ordered_json cell;
        cell["number"] = sheet.number;
        cell["present"] = sheet.present;
        cell["angle"] = sheet.angle;
        cell["width"] = sheet.width;
        cell["height"] = sheet.height;
        cell["corners"] = nlohmann::ordered_json::array();
        for (const auto& corner : sheet.corners)
            cell["corners"].push_back({corner[0], corner[1]});
        json["sheets"].push_back(cell);
    }
    return json.dump(2) + "\n";
}

SheetEffects LabDayEffects(unsigned seed) {
    Draw draw(seed * 2246822519U + 3);
    SheetEffects effects;
    effects.rotationDegrees = draw.Between(0.1, 0.9);
    effects.softEdge = draw.Between(2, 18);
    effects.sheetMargin = draw.Upto(1) == 1 ? static_cast<int>(draw.Between(80, 190)) : 0;
    effects.marks = draw.Upto(1) == 1;
    effects.notches = draw.Upto(1) == 1;
    effects.dust = draw.Upto(40);
    effects.fibres = draw.Upto(6);
    effects.scratches = draw.Upto(4);
    effects.grain = draw.Upto(12);
    effects.illumination = draw.Between(0, 0.2);
    effects.exposure = draw.Between(0, 0.3);
    effects.leaks = draw.Upto(2);
    effects.edgeGlow = draw.Upto(1) == 1;
    effects.missing = draw.Upto(3) == 0 ? 1 : 0;
    effects.displacement = draw.Upto(300);
    return effects;
}

} // namespace gc::tools
