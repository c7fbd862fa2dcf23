// What each fuzz target does with one input, shared by the libFuzzer targets and by the test that
// replays the inputs kept from earlier findings (tests/fuzz). Every function takes arbitrary bytes;
// the sanitizers catch memory and undefined-behaviour faults, and a result that contradicts itself
// (a success without an image, an image of the wrong size) traps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gc::fuzz {

// The BMP decoder on the bytes as a file in memory.
void DecodeBmpInput(const std::uint8_t* data, std::size_t size);
// The JPEG reader on the bytes as a file.
void ReadJpegInput(const std::uint8_t* data, std::size_t size);
// The viewer's TIFF reader: the directory list, every listed directory read, the properties of
// directory 0.
void ReadTiffInput(const std::uint8_t* data, std::size_t size);
// The viewer's MRC reader on the bytes as a file (every section decoded), and the MRC properties
// report of the same file.
void ReadMrcInput(const std::uint8_t* data, std::size_t size);
// The Run on the bytes as a scan: the scan checks, the search for the image and its outputs. The
// input's last byte chooses the output: bit 0 TIFF instead of MRC, bits 1-2 the binning (none, 2, 3,
// 4). One image of 7 × 9 cm is expected, so a scan of about 10,500 × 13,300 pixels gets searched.
// The scan is written to a temporary folder, the outputs go to a folder inside it, and both are
// removed again.
void SplitScanInput(const std::uint8_t* data, std::size_t size);
// The coordinate-file parser of pick --coords. The first byte chooses the format (its value modulo 3:
// .box, .star, .csv), the next two the image height (little-endian, plus 1), the rest is the file's
// text. A reading that fails names its line within the text; centres read from any file come back
// unchanged through the STAR writer and the parser.
void ParseCoordinatesInput(const std::uint8_t* data, std::size_t size);
// The plan reader of split --plan on the bytes as a plan's text. A plan it accepts holds only values
// split takes, and every task of it can be set up (its settings and the batch before it).
void ReadPlanInput(const std::uint8_t* data, std::size_t size);
// The merge of report --merge with the bytes as task 1's report part of a valid one-scan plan. The
// merge always succeeds (the plan is sound); it calls the batch done exactly when no task failed or
// is missing, and its report is JSON.
void MergePartInput(const std::uint8_t* data, std::size_t size);

} // namespace gc::fuzz
