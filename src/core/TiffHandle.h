// Owning holder of an open TIFF file: TIFFClose when the holder goes.
#pragma once

#include <memory>
#include <tiffio.h>

namespace gc {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

} // namespace gc
