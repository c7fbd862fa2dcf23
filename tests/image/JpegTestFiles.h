// JPEG files for the codec and document tests whose frame header declares another size than the data
// they hold: a 16 × 16 colour picture (4:4:4, every sample 128) written with the library, baseline or
// progressive, then given the declared width and height in its frame header.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace gc::test {

inline std::vector<unsigned char> JpegDeclaring(int width, int height, bool progressive) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    for (int c = 0; c < 3; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(16 * 3, 128);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    std::free(buffer);

    // Frame header: FF C0 (baseline) or FF C2 (progressive), length, precision, height, width.
    const unsigned char frame = progressive ? 0xc2 : 0xc0;
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xff && bytes[i + 1] == frame) {
            bytes[i + 5] = static_cast<unsigned char>(height >> 8);
            bytes[i + 6] = static_cast<unsigned char>(height);
            bytes[i + 7] = static_cast<unsigned char>(width >> 8);
            bytes[i + 8] = static_cast<unsigned char>(width);
            return bytes;
        }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

} // namespace gc::test
