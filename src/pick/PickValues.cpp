// The source of box values: the document's pixel store.
#include "PickValues.h"

namespace gc {
namespace {

class StoreRows final : public PickRowSource {
public:
    explicit StoreRows(const PixelStore& image) : m_image(image) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        m_image.ReadBoxValues(row, left, count, values);
        return true;
    }

private:
    const PixelStore& m_image;
};

} // namespace

std::unique_ptr<PickRowSource> StoreRowSource(const PixelStore& image) {
    return std::make_unique<StoreRows>(image);
}

} // namespace gc
