// The two sources of box values: the image shown, and an MRC file's section.
#include "PickValues.h"

#include "image/MrcContent.h"

namespace gc {
namespace {

class DisplayRows final : public PickRowSource {
public:
    explicit DisplayRows(const DIBSection& image) : m_image(image) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        for (int i = 0; i < count; ++i)
            values[i] = PickSampleValue(m_image, left + i, row);
        return true;
    }

private:
    const DIBSection& m_image;
};

// The viewer shows an MRC section's rows in file order from the top, so image row r is stored row r.
class MrcRows final : public PickRowSource {
public:
    bool Open(const std::string& path, int section, int width, int height) {
        return m_section.Open(path, section) && m_section.Width() == width && m_section.Height() == height;
    }
    bool ReadRow(int row, int left, int count, float* values) override {
        return m_section.ReadRow(row, left, count, values);
    }
    double PixelSize() const override { return m_section.PixelSize(); }

private:
    MrcSectionRows m_section;
};

} // namespace

float PickSampleValue(const DIBSection& image, int x, int y) {
    unsigned char rgba[4] = {0, 0, 0, 0};
    image.GetPixelColor(static_cast<unsigned>(x), static_cast<unsigned>(y), rgba);
    return static_cast<float>((rgba[0] + rgba[1] + rgba[2]) / 3);
}

std::unique_ptr<PickRowSource> DisplayRowSource(const DIBSection& image) {
    return std::make_unique<DisplayRows>(image);
}

std::unique_ptr<PickRowSource> MrcRowSource(const std::string& path, int section, int width, int height) {
    auto rows = std::make_unique<MrcRows>();
    if (!rows->Open(path, section, width, height))
        return nullptr;
    return rows;
}

} // namespace gc
