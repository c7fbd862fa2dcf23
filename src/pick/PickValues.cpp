// The source of box values: the document's pixel store.
#include "PickValues.h"

namespace gc {
namespace {

// Rows read between two releases of a mapped file's pages.
inline constexpr int RELEASE_EVERY_ROWS = 256;

class StoreRows final : public PickRowSource {
public:
    StoreRows(const PixelStore& image, double pixelSize) : m_image(image), m_dPixelSize(pixelSize) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        m_image.ReadBoxValues(row, left, count, values);
        // A search reads the whole picture once: the pages of a mapped file it has read go back to
        // the system every few rows, so they never add up to the file's size in the process's memory.
        if (++m_rowsRead % RELEASE_EVERY_ROWS == 0)
            m_image.ReleasePages();
        return true;
    }
    double PixelSize() const override { return m_dPixelSize; }

private:
    const PixelStore& m_image;
    double m_dPixelSize;
    int m_rowsRead = 0;
};

} // namespace

std::unique_ptr<PickRowSource> StoreRowSource(const PixelStore& image, double pixelSize) {
    return std::make_unique<StoreRows>(image, pixelSize);
}

} // namespace gc
