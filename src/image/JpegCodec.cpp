// JPEG reading and writing with the IJG library's standard-I/O source and destination managers.
// A fatal library error does not end the program: the error manager shows the library's text and
// jumps back (longjmp) to the function that armed it. The functions that arm the jump hold only plain
// C data (the library objects live in a caller's struct, the file is owned by the caller), so the
// jump skips no destructor; the library releases its own memory in jpeg_destroy_*.
#include "image/JpegCodec.h"
#include "core/FileHandles.h"

#include "image/ImageLimits.h"
#include "image/ImageMessages.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace gc {
namespace {

constexpr int COLOUR_COMPONENTS = 3;

// Working memory the library may take while decoding. Its whole-image buffers (those of progressive
// and multi-scan files) are set up in jpeg_start_decompress; when they would go beyond this the
// library asks for a backing store, which this build of it does not have, and ends the read with
// JERR_NO_BACKING_STORE before allocating them. A decoded picture is at most MAX_VIEW_IMAGE_BYTES and
// the library's buffers are held beside it, so they get the same bound.
constexpr long JPEG_MAX_WORKING_MEMORY = static_cast<long>(MAX_VIEW_IMAGE_BYTES);

struct JpegErrorManager {
    jpeg_error_mgr m_pub; // first member: the library only sees this part
    std::jmp_buf m_jumpBuffer;
    Messages* m_pMessages = nullptr;
    bool m_bOverMemoryLimit = false; // the fatal error was JPEG_MAX_WORKING_MEMORY being reached
};

// The library's message output: its formatted text, shown as a warning.
void ShowLibraryMessage(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    char text[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, text);
    try {
        errors->m_pMessages->Warning(text);
    } catch (...) {
        // Nothing may unwind through the library's C frames.
    }
}

// Fatal errors: show the text, then return to the armed jump point. Reaching the working-memory bound
// is not shown here: the reader reports it as a picture too large to open.
void JumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    errors->m_bOverMemoryLimit = info->err->msg_code == JERR_NO_BACKING_STORE;
    if (!errors->m_bOverMemoryLimit)
        (*info->err->output_message)(info);
    std::longjmp(errors->m_jumpBuffer, 1);
}

jpeg_error_mgr* ArmErrors(JpegErrorManager& errors, Messages& messages) {
    jpeg_std_error(&errors.m_pub);
    errors.m_pub.error_exit = JumpBack;
    // The library's own emit_message stays: it passes the first warning of a file (corrupt data, a
    // premature end) to the message output and drops trace messages.
    errors.m_pub.output_message = ShowLibraryMessage;
    errors.m_pMessages = &messages;
    return &errors.m_pub;
}

void SwapRedAndBlue(unsigned char* row, int width) {
    for (int x = 0; x < width; ++x) {
        unsigned char* pixel = row + static_cast<std::size_t>(x) * COLOUR_COMPONENTS;
        const unsigned char first = pixel[0];
        pixel[0] = pixel[2];
        pixel[2] = first;
    }
}

struct JpegReadState {
    jpeg_decompress_struct m_info;
    JpegErrorManager m_errors;
};

// Decodes the open file into `image`. Only colour files are started, and only when their picture fits
// MAX_VIEW_IMAGE_BYTES, so the header alone decides before the library sets up its buffers; a file
// whose buffers would pass JPEG_MAX_WORKING_MEMORY is refused as too large too. Armed jump region:
// plain data only.
int Decompress(std::FILE* file, DIBSection& image, Messages& messages, JpegReadState* state) {
    volatile int result = 0;
    std::memset(&state->m_info, 0, sizeof state->m_info);
    state->m_info.err = ArmErrors(state->m_errors, messages);
    if (setjmp(state->m_errors.m_jumpBuffer) != 0) {
        jpeg_destroy_decompress(&state->m_info);
        return state->m_errors.m_bOverMemoryLimit ? READ_TOO_LARGE : result;
    }

    jpeg_decompress_struct* info = &state->m_info;
    jpeg_create_decompress(info);
    info->mem->max_memory_to_use = JPEG_MAX_WORKING_MEMORY;
    jpeg_stdio_src(info, file);
    jpeg_read_header(info, TRUE);
    if (info->num_components != COLOUR_COMPONENTS && info->num_components != 1) {
        // Four-component files open nothing, silently.
        jpeg_destroy_decompress(info);
        return 0;
    }
    // A greyscale file is read as colour rows whose three channels are equal.
    info->out_color_space = JCS_RGB;
    if (!FitsViewImageLimit(info->image_width, info->image_height)) {
        jpeg_destroy_decompress(info);
        return READ_TOO_LARGE;
    }
    jpeg_start_decompress(info);

    image.Create(static_cast<int>(info->image_width), static_cast<int>(info->image_height), 24);
    if (!image.IsValid()) {
        jpeg_destroy_decompress(info);
        return 1;
    }
    const int height = image.GetHeight();
    const int pixels = std::min(static_cast<int>(info->output_width), image.GetWidth());
    const std::size_t rowLength = static_cast<std::size_t>(info->output_width) * info->output_components;
    const std::size_t copyLength = std::min(rowLength, static_cast<std::size_t>(image.GetPitch()));
    JSAMPARRAY buffer = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                   static_cast<JDIMENSION>(rowLength), 1);
    while (info->output_scanline < info->output_height) {
        const auto k = static_cast<int>(info->output_scanline);
        if (jpeg_read_scanlines(info, buffer, 1) != 1 || k >= height)
            break;
        SwapRedAndBlue(buffer[0], pixels); // RGB becomes BGR
        std::memcpy(image.MemoryRow(height - 1 - k), buffer[0], copyLength);
    }
    result = 1;
    if (info->output_scanline >= info->output_height)
        jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return result;
}

struct JpegWriteState {
    jpeg_compress_struct m_info;
    JpegErrorManager m_errors;
};

// Compresses `image` into the open file, exchanging red and blue in place; with PictureChannels::Grey
// the library stores the rows as one grey component. Armed jump region.
bool Compress(std::FILE* file, DIBSection& image, int quality, Messages& messages, JpegWriteState* state,
              PictureChannels channels) {
    std::memset(&state->m_info, 0, sizeof state->m_info);
    state->m_info.err = ArmErrors(state->m_errors, messages);
    if (setjmp(state->m_errors.m_jumpBuffer) != 0) {
        jpeg_destroy_compress(&state->m_info);
        return false;
    }

    jpeg_compress_struct* info = &state->m_info;
    jpeg_create_compress(info);
    jpeg_stdio_dest(info, file);
    info->image_width = static_cast<JDIMENSION>(image.GetWidth());
    info->image_height = static_cast<JDIMENSION>(image.GetHeight());
    info->input_components = COLOUR_COMPONENTS;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    if (channels == PictureChannels::Grey)
        jpeg_set_colorspace(info, JCS_GRAYSCALE);
    jpeg_start_compress(info, TRUE);

    const int height = image.GetHeight();
    while (info->next_scanline < info->image_height) {
        JSAMPROW row = image.MemoryRow(height - 1 - static_cast<int>(info->next_scanline));
        SwapRedAndBlue(row, image.GetWidth()); // BGR becomes RGB
        if (jpeg_write_scanlines(info, &row, 1) != 1)
            break;
    }
    const bool complete = info->next_scanline >= info->image_height;
    if (complete)
        jpeg_finish_compress(info);
    jpeg_destroy_compress(info);
    return complete;
}

} // namespace

int ReadJpegFile(const std::string& path, DIBSection& image, Messages& messages) {
    image.Destroy();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        messages.Error(MSG_CANT_OPEN_FILE);
        return 0;
    }
    JpegReadState state;
    return Decompress(file.get(), image, messages, &state);
}

JpegWriteResult WriteJpegFile(const std::string& path, DIBSection& image, int quality, Messages& messages,
                              PictureChannels channels) {
    if (!image.IsValid() || image.GetBitsPerPixel() != 24)
        return JpegWriteResult::NotWritten;
    FileHandle file(OpenForWriting(path));
    if (!file) {
        messages.Error(MSG_CANT_OPEN_FILE);
        return JpegWriteResult::Fatal;
    }
    JpegWriteState state;
    const bool written = Compress(file.get(), image, quality, messages, &state, channels);
    const bool closed = std::fclose(file.release()) == 0;
    if (!written)
        return JpegWriteResult::Fatal;
    return closed ? JpegWriteResult::Written : JpegWriteResult::NotWritten;
}

} // namespace gc
