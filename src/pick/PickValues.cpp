// The source of box values: the document's pixel store.
#include "PickValues.h"

namespace gc {
namespace {

class StoreRows final : public PickRowSource {
public:
    StoreRows(const PixelStore& image, double pixelSize) : m_image(image), m_dPixelSize(pixelSize) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        m_image.ReadBoxValues(row, left, count, values);
        return true;
    }
    double PixelSize() const override { return m_dPixelSize; }

private:
    const PixelStore& m_image;
    double m_dPixelSize;
};

} // namespace

std::unique_ptr<PickRowSource> StoreRowSource(const PixelStore& image, double pixelSize) {
    return std::make_unique<StoreRows>(image, pixelSize);
}

} // namespace gc
