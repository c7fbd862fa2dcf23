// RunParameters: the one record of a Run's parameters and the Run-in-progress flag, with its
// start-up values, and the summary text that SAVE PARAMETERS shows.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace gc {

inline constexpr int MAX_INPUT_FILES = 100;
// Characters the append-string and start-number fields take.
inline constexpr int APPEND_STRING_LIMIT = 50;
inline constexpr int START_NUMBER_LIMIT = 6;

struct RunParameters {
    int m_nImageCount = 6; // 1..6 images per scan
    int m_nHeightCm = 10;  // 9, 10, 11
    int m_nWidthCm = 8;    // 7, 8, 9
    int m_nBinning = 0;    // 0 (none), 2, 3, 4
    bool m_bOutputTiff = false;
    bool m_bBatchMode = false;
    bool m_bFilesLoaded = false;
    bool m_bSaved = false;
    int m_nFileCount = 1; // valid entries of m_strInputFiles
    bool m_bAppendString = false;
    bool m_bStartNumber = false;
    bool m_bOutputDir = false;
    std::string m_strAppendString; // at most 50 characters
    std::string m_strStartNumber;  // at most 6 digits
    std::string m_strOutputDir;    // absolute folder ending in "/", or empty
    std::array<std::string, MAX_INPUT_FILES> m_strInputFiles;
    bool m_bRunning = false;

    // The values every opening of the parameter dialog starts from: the start-up values, except
    // that the path list is kept and m_bRunning is not touched.
    void ResetForDialog();
};

// The values the parameter fields take from what the user gave them; the dialog and the command line
// both use them. An append string left empty is "empty", a start number left empty is "0001", and the
// output folder is kept with a "/" after the chosen folder.
std::string AppendStringFromText(const std::string& text);
// Characters of a UTF-8 text (a byte that is not UTF-8 counts as one character), as the append
// field counts them.
std::size_t CharacterCount(const std::string& text);
// Whether `text` can stand in an output's file name: no path separator ("/" or "\\") and not "..",
// so the outputs stay in their folder.
bool AppendStringStaysInFolder(const std::string& text);
std::string StartNumberFromText(const std::string& text);
std::string OutputFolderFromChosen(const std::string& folder);

// The text SAVE PARAMETERS shows for `parameters` (every line ends in "\n").
std::string BuildRunSummary(const RunParameters& parameters);

} // namespace gc
