#include "MrcHeader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace gc {
namespace {

// Byte offsets of the header fields.
constexpr int OFFSET_NX = 0;
constexpr int OFFSET_NY = 4;
constexpr int OFFSET_NZ = 8;
constexpr int OFFSET_MODE = 12;
constexpr int OFFSET_NXSTART = 16;
constexpr int OFFSET_MX = 28;
constexpr int OFFSET_CELLA = 40;
constexpr int OFFSET_CELLB = 52;
constexpr int OFFSET_MAPC = 64;
constexpr int OFFSET_DMIN = 76;
constexpr int OFFSET_DMAX = 80;
constexpr int OFFSET_DMEAN = 84;
constexpr int OFFSET_ISPG = 88;
constexpr int OFFSET_NSYMBT = 92;
constexpr int OFFSET_EXTRA = 96;
constexpr int OFFSET_NVERSION = 108; // inside EXTRA
constexpr int NVERSION_INDEX = (OFFSET_NVERSION - OFFSET_EXTRA) / 4;
constexpr int OFFSET_ORIGIN = 196;
constexpr int OFFSET_MAP = 208;
constexpr int OFFSET_MACHST = 212;
constexpr int OFFSET_RMS = 216;
constexpr int OFFSET_NLABL = 220;
constexpr int OFFSET_LABELS = 224;

static_assert(OFFSET_LABELS + MRC_LABEL_COUNT * MRC_LABEL_SIZE == MRC_HEADER_SIZE);

} // namespace

void PutInt32LE(unsigned char* destination, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        destination[i] = static_cast<unsigned char>(bits >> (8 * i));
}

void PutFloatLE(unsigned char* destination, float value) {
    PutInt32LE(destination, static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(value)));
}

std::int32_t GetInt32LE(const unsigned char* source) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(source[i]) << (8 * i);
    return static_cast<std::int32_t>(bits);
}

float GetFloatLE(const unsigned char* source) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(GetInt32LE(source)));
}

std::int32_t GetInt32BE(const unsigned char* source) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(source[i]) << (8 * (3 - i));
    return static_cast<std::int32_t>(bits);
}

float GetFloatBE(const unsigned char* source) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(GetInt32BE(source)));
}

int MrcBytesPerSample(int mode) {
    switch (mode) {
    case MRC_MODE_BYTE:
        return 1;
    case MRC_MODE_INT16:
    case MRC_MODE_UINT16:
        return 2;
    case MRC_MODE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

void MrcHeader::Clear() {
    m_nNX = m_nNY = m_nNZ = m_nMode = 0;
    m_nNXStart = m_nNYStart = m_nNZStart = 0;
    m_nMX = m_nMY = m_nMZ = 0;
    std::fill(std::begin(m_fCellA), std::end(m_fCellA), 0.0f);
    std::fill(std::begin(m_fCellB), std::end(m_fCellB), 0.0f);
    m_nMapC = m_nMapR = m_nMapS = 0;
    m_fDMin = m_fDMax = m_fDMean = 0.0f;
    m_nIspg = m_nNSymBT = 0;
    std::fill(std::begin(m_nExtra), std::end(m_nExtra), 0);
    std::fill(std::begin(m_fOrigin), std::end(m_fOrigin), 0.0f);
    std::memcpy(m_cMap, "    ", 4);
    std::fill(std::begin(m_cMachineStamp), std::end(m_cMachineStamp), 0);
    m_fRms = 0.0f;
    m_nLabels = 0;
    std::memset(m_cLabels, ' ', sizeof m_cLabels);
}

void MrcHeader::SetImage(int width, int height, int mode, int sections) {
    m_nNX = m_nMX = width;
    m_nNY = m_nMY = height;
    m_nNZ = m_nMZ = sections;
    m_nMode = mode;
    m_nNXStart = m_nNYStart = m_nNZStart = 0;
    m_fCellA[0] = static_cast<float>(width);
    m_fCellA[1] = static_cast<float>(height);
    m_fCellA[2] = static_cast<float>(sections);
    m_fCellB[0] = m_fCellB[1] = m_fCellB[2] = 90.0f;
    m_nMapC = 1;
    m_nMapR = 2;
    m_nMapS = 3;
    m_nIspg = 0;
    m_nNSymBT = 0;
    std::fill(std::begin(m_nExtra), std::end(m_nExtra), 0);
    std::fill(std::begin(m_fOrigin), std::end(m_fOrigin), 0.0f);
    std::memcpy(m_cMap, "MAP ", 4);
    std::fill(std::begin(m_cMachineStamp), std::end(m_cMachineStamp), 0);
}

void MrcHeader::SetStatistics(double dmin, double dmax, double dmean, double rms) {
    m_fDMin = static_cast<float>(dmin);
    m_fDMax = static_cast<float>(dmax);
    m_fDMean = static_cast<float>(dmean);
    m_fRms = static_cast<float>(rms);
}

void MrcHeader::SetLabel(const std::string& text) {
    m_nLabels = 1;
    std::memset(m_cLabels, ' ', sizeof m_cLabels);
    const std::size_t length = std::min<std::size_t>(text.size(), MRC_MAX_LABEL_TEXT);
    std::memcpy(m_cLabels[0], text.data(), length);
    m_cLabels[0][length] = '\0';
}

bool MrcHeader::AddLabel(const std::string& text) {
    if (m_nLabels < 0 || m_nLabels >= MRC_LABEL_COUNT)
        return false;
    char* label = m_cLabels[m_nLabels++];
    std::memset(label, ' ', MRC_LABEL_SIZE);
    const std::size_t length = std::min<std::size_t>(text.size(), MRC_MAX_LABEL_TEXT);
    std::memcpy(label, text.data(), length);
    label[length] = '\0';
    return true;
}

void MrcHeader::SetMrc2014() {
    m_cMachineStamp[0] = m_cMachineStamp[1] = MRC_STAMP_LITTLE_ENDIAN;
    m_cMachineStamp[2] = m_cMachineStamp[3] = 0;
    m_nExtra[NVERSION_INDEX] = MRC_NVERSION_2014;
}

int MrcHeader::Version() const {
    return m_nExtra[NVERSION_INDEX];
}

void MrcHeader::SetPixelSize(double angstromPerPixel) {
    m_fCellA[0] = static_cast<float>(m_nMX * angstromPerPixel);
    m_fCellA[1] = static_cast<float>(m_nMY * angstromPerPixel);
    m_fCellA[2] = static_cast<float>(m_nMZ * angstromPerPixel);
}

double MrcHeader::PixelSize() const {
    const double size = static_cast<double>(m_fCellA[0]) / m_nMX;
    return m_nMX > 0 && std::isfinite(size) && size > 0 ? size : 0.0;
}

std::array<unsigned char, MRC_HEADER_SIZE> MrcHeader::Bytes() const {
    std::array<unsigned char, MRC_HEADER_SIZE> bytes{};
    unsigned char* p = bytes.data();
    PutInt32LE(p + OFFSET_NX, m_nNX);
    PutInt32LE(p + OFFSET_NY, m_nNY);
    PutInt32LE(p + OFFSET_NZ, m_nNZ);
    PutInt32LE(p + OFFSET_MODE, m_nMode);
    PutInt32LE(p + OFFSET_NXSTART, m_nNXStart);
    PutInt32LE(p + OFFSET_NXSTART + 4, m_nNYStart);
    PutInt32LE(p + OFFSET_NXSTART + 8, m_nNZStart);
    PutInt32LE(p + OFFSET_MX, m_nMX);
    PutInt32LE(p + OFFSET_MX + 4, m_nMY);
    PutInt32LE(p + OFFSET_MX + 8, m_nMZ);
    for (int i = 0; i < 3; ++i) {
        PutFloatLE(p + OFFSET_CELLA + 4 * i, m_fCellA[i]);
        PutFloatLE(p + OFFSET_CELLB + 4 * i, m_fCellB[i]);
        PutFloatLE(p + OFFSET_ORIGIN + 4 * i, m_fOrigin[i]);
    }
    PutInt32LE(p + OFFSET_MAPC, m_nMapC);
    PutInt32LE(p + OFFSET_MAPC + 4, m_nMapR);
    PutInt32LE(p + OFFSET_MAPC + 8, m_nMapS);
    PutFloatLE(p + OFFSET_DMIN, m_fDMin);
    PutFloatLE(p + OFFSET_DMAX, m_fDMax);
    PutFloatLE(p + OFFSET_DMEAN, m_fDMean);
    PutInt32LE(p + OFFSET_ISPG, m_nIspg);
    PutInt32LE(p + OFFSET_NSYMBT, m_nNSymBT);
    for (int i = 0; i < 25; ++i)
        PutInt32LE(p + OFFSET_EXTRA + 4 * i, m_nExtra[i]);
    std::memcpy(p + OFFSET_MAP, m_cMap, 4);
    std::memcpy(p + OFFSET_MACHST, m_cMachineStamp, 4);
    PutFloatLE(p + OFFSET_RMS, m_fRms);
    PutInt32LE(p + OFFSET_NLABL, m_nLabels);
    std::memcpy(p + OFFSET_LABELS, m_cLabels, sizeof m_cLabels);
    return bytes;
}

bool MrcHeader::Write(std::FILE* file) const {
    if (file == nullptr)
        return false;
    const auto bytes = Bytes();
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool MrcHeader::ReadSize(std::FILE* file, int& width, int& height) {
    unsigned char bytes[8];
    if (file == nullptr || std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes)
        return false;
    width = GetInt32LE(bytes + OFFSET_NX);
    height = GetInt32LE(bytes + OFFSET_NY);
    return true;
}

void MrcHeader::SetFromBytes(const unsigned char (&bytes)[MRC_HEADER_SIZE]) {
    const unsigned char* p = bytes;
    std::memcpy(m_cMachineStamp, p + OFFSET_MACHST, 4);
    const bool bigEndian = IsBigEndian();
    const auto integer = [p, bigEndian](int offset) {
        return bigEndian ? GetInt32BE(p + offset) : GetInt32LE(p + offset);
    };
    const auto real = [p, bigEndian](int offset) {
        return bigEndian ? GetFloatBE(p + offset) : GetFloatLE(p + offset);
    };
    m_nNX = integer(OFFSET_NX);
    m_nNY = integer(OFFSET_NY);
    m_nNZ = integer(OFFSET_NZ);
    m_nMode = integer(OFFSET_MODE);
    m_nNXStart = integer(OFFSET_NXSTART);
    m_nNYStart = integer(OFFSET_NXSTART + 4);
    m_nNZStart = integer(OFFSET_NXSTART + 8);
    m_nMX = integer(OFFSET_MX);
    m_nMY = integer(OFFSET_MX + 4);
    m_nMZ = integer(OFFSET_MX + 8);
    for (int i = 0; i < 3; ++i) {
        m_fCellA[i] = real(OFFSET_CELLA + 4 * i);
        m_fCellB[i] = real(OFFSET_CELLB + 4 * i);
        m_fOrigin[i] = real(OFFSET_ORIGIN + 4 * i);
    }
    m_nMapC = integer(OFFSET_MAPC);
    m_nMapR = integer(OFFSET_MAPC + 4);
    m_nMapS = integer(OFFSET_MAPC + 8);
    m_fDMin = real(OFFSET_DMIN);
    m_fDMax = real(OFFSET_DMAX);
    m_fDMean = real(OFFSET_DMEAN);
    m_nIspg = integer(OFFSET_ISPG);
    m_nNSymBT = integer(OFFSET_NSYMBT);
    for (int i = 0; i < 25; ++i)
        m_nExtra[i] = integer(OFFSET_EXTRA + 4 * i);
    std::memcpy(m_cMap, p + OFFSET_MAP, 4);
    m_fRms = real(OFFSET_RMS);
    m_nLabels = integer(OFFSET_NLABL);
    std::memcpy(m_cLabels, p + OFFSET_LABELS, sizeof m_cLabels);
}

bool MrcHeader::Read(std::FILE* file) {
    unsigned char bytes[MRC_HEADER_SIZE];
    if (file == nullptr || std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes)
        return false;
    SetFromBytes(bytes);
    return true;
}

std::string MrcHeader::Label(int index) const {
    if (index < 0 || index >= MRC_LABEL_COUNT)
        return {};
    const char* text = m_cLabels[index];
    const std::size_t length = static_cast<std::size_t>(std::find(text, text + MRC_LABEL_SIZE, '\0') - text);
    std::string label(text, length);
    label.erase(label.find_last_not_of(' ') + 1);
    return label;
}

} // namespace gc
