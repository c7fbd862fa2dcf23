#include "RunRecord.h"

#include "SplitMessages.h"

#include <tiffio.h>

#include <cstdio>

namespace gc {

std::string AngleText(const ImageRecord& image) {
    if (!image.hasAngle)
        return {};
    char degrees[32];
    std::snprintf(degrees, sizeof degrees, "%.2f", image.angle);
    std::string text = std::string(SHEET_ANGLE_TURNED) + degrees + SHEET_ANGLE_DEGREES;
    if (!image.interpolation.empty())
        text += SHEET_DESKEWED + image.interpolation + SHEET_DESKEWED_INTERPOLATION;
    return text;
}

int ImagesNotWritten(const ScanRecord& scan) {
    int notWritten = 0;
    for (const ImageRecord& image : scan.images)
        notWritten += image.found && !image.notWrittenReason.empty() ? 1 : 0;
    return notWritten;
}

const char* ScanOutcomeName(ScanOutcome outcome) {
    switch (outcome) {
    case ScanOutcome::Done:
        return "done";
    case ScanOutcome::Skipped:
        return "skipped";
    case ScanOutcome::Fatal:
        return "stopped";
    case ScanOutcome::Interrupted:
        return "interrupted";
    }
    return "done";
}

const char* ScanCompressionName(int compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return "none";
    case COMPRESSION_LZW:
        return "lzw";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return "deflate";
    case COMPRESSION_PACKBITS:
        return "packbits";
    case COMPRESSION_JPEG:
        return "jpeg";
    default:
        return "other";
    }
}

} // namespace gc
