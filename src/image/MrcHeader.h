// MrcHeader: the 1024-byte header of an MRC file (2000 revision of the format), its cleared
// placeholder state, and the one place that knows its byte layout. Every number is written
// little-endian whatever the host; the pixel data follow the header directly. Reading takes the
// byte order from the machine stamp: big-endian when its first byte says so, little-endian
// otherwise (the stamp this writer leaves, four zero bytes, included).
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gc {

inline constexpr int MRC_HEADER_SIZE = 1024;
inline constexpr int MRC_MODE_BYTE = 0;
inline constexpr int MRC_MODE_INT16 = 1;
inline constexpr int MRC_MODE_FLOAT = 2;
inline constexpr int MRC_MODE_UINT16 = 6;
inline constexpr int MRC_LABEL_COUNT = 10;
inline constexpr int MRC_LABEL_SIZE = 80;
// A label text holds at most this many characters; a zero byte follows it.
inline constexpr int MRC_MAX_LABEL_TEXT = MRC_LABEL_SIZE - 1;
// First byte of the machine stamp of a file whose numbers are big-endian.
inline constexpr unsigned char MRC_STAMP_BIG_ENDIAN = 0x11;
// The MRC2014 revision: little-endian machine stamp 0x44 0x44 0x00 0x00 and NVERSION 20140.
inline constexpr unsigned char MRC_STAMP_LITTLE_ENDIAN = 0x44;
inline constexpr int MRC_NVERSION_2014 = 20140;

// Bytes per pixel value of a data mode: 1 (mode 0), 2 (modes 1 and 6), 4 (mode 2); 0 for a mode
// the viewer does not read.
int MrcBytesPerSample(int mode);

class MrcHeader {
public:
    MrcHeader() { Clear(); }

    // The placeholder state: every number 0, MAP four spaces, NLABL 0, labels all spaces.
    void Clear();
    void SetImage(int width, int height, int mode, int sections = 1);
    // Values may come in double precision; they are stored as float32.
    void SetStatistics(double dmin, double dmax, double dmean, double rms);
    // Label 1 = text (cut at MRC_MAX_LABEL_TEXT characters) + one zero byte, the rest spaces.
    void SetLabel(const std::string& text);
    // The next unused label (NLABL + 1) = text, padded like SetLabel; false when all ten are in use.
    bool AddLabel(const std::string& text);
    // The MRC2014 marks: machine stamp 0x44 0x44 0x00 0x00 and NVERSION 20140.
    void SetMrc2014();
    // NVERSION (bytes 108 to 111): 0 in a file of the 2000 revision.
    int Version() const;
    // Cell size = sampling intervals × `angstromPerPixel` (CELLA = MX, MY, MZ × size).
    void SetPixelSize(double angstromPerPixel);
    // The pixel size along x (CELLA x ÷ MX) in Å; 0 when the header gives none (a cell or sampling
    // interval that is not positive, or not a finite number).
    double PixelSize() const;

    // Writes the 1024 bytes at the file's current position; true when all were written.
    bool Write(std::FILE* file) const;
    // Reads NX and NY from the start of a file this writer produced; false when it cannot.
    static bool ReadSize(std::FILE* file, int& width, int& height);

    // Takes every field from the 1024 header bytes of a file, in the byte order its machine stamp
    // gives. Nothing is checked: the values are the file's.
    void SetFromBytes(const unsigned char (&bytes)[MRC_HEADER_SIZE]);
    // Reads the 1024 bytes at the file's current position into the fields; false when fewer
    // were there (the fields are then as before).
    bool Read(std::FILE* file);
    // Whether the machine stamp marks the numbers (header and data) as big-endian.
    bool IsBigEndian() const { return m_cMachineStamp[0] == MRC_STAMP_BIG_ENDIAN; }
    // Text of label `index` (0-based): up to its first zero byte, trailing spaces removed.
    std::string Label(int index) const;

    // The exact bytes Write puts on disk.
    std::array<unsigned char, MRC_HEADER_SIZE> Bytes() const;

    int m_nNX = 0, m_nNY = 0, m_nNZ = 0, m_nMode = 0;
    int m_nNXStart = 0, m_nNYStart = 0, m_nNZStart = 0;
    int m_nMX = 0, m_nMY = 0, m_nMZ = 0;
    float m_fCellA[3] = {0, 0, 0};
    float m_fCellB[3] = {0, 0, 0};
    int m_nMapC = 0, m_nMapR = 0, m_nMapS = 0;
    float m_fDMin = 0, m_fDMax = 0, m_fDMean = 0;
    int m_nIspg = 0, m_nNSymBT = 0;
    int m_nExtra[25] = {};
    float m_fOrigin[3] = {0, 0, 0};
    char m_cMap[4] = {' ', ' ', ' ', ' '};
    unsigned char m_cMachineStamp[4] = {0, 0, 0, 0};
    float m_fRms = 0;
    int m_nLabels = 0;
    char m_cLabels[MRC_LABEL_COUNT][MRC_LABEL_SIZE];
};

// Little-endian encoders for pixel data written next to the header.
void PutFloatLE(unsigned char* destination, float value);
void PutInt32LE(unsigned char* destination, std::int32_t value);
float GetFloatLE(const unsigned char* source);
std::int32_t GetInt32LE(const unsigned char* source);
// Big-endian decoders, for files whose machine stamp says so.
float GetFloatBE(const unsigned char* source);
std::int32_t GetInt32BE(const unsigned char* source);

} // namespace gc
