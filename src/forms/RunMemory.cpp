#include "forms/RunMemory.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace gc {
namespace {

constexpr const char* KEY_SAVED = "run/saved";
constexpr const char* KEY_SCAN_FOLDER = "run/scanFolder";

// The integer fields with the values the dialog offers.
struct IntegerField {
    const char* key;
    int RunSettings::*member;
    std::array<int, 6> offered;
    int count;
};
constexpr IntegerField INTEGER_FIELDS[] = {
    {"run/imageCount", &RunSettings::m_nImageCount, {1, 2, 3, 4, 5, 6}, 6},
    {"run/heightCm", &RunSettings::m_nHeightCm, {9, 10, 11}, 3},
    {"run/widthCm", &RunSettings::m_nWidthCm, {7, 8, 9}, 3},
    {"run/binning", &RunSettings::m_nBinning, {0, 2, 3, 4}, 4},
};

struct FlagField {
    const char* key;
    bool RunSettings::*member;
};
constexpr FlagField FLAG_FIELDS[] = {
    {"run/outputTiff", &RunSettings::m_bOutputTiff},     {"run/batchMode", &RunSettings::m_bBatchMode},
    {"run/appendString", &RunSettings::m_bAppendString}, {"run/startNumber", &RunSettings::m_bStartNumber},
    {"run/outputDir", &RunSettings::m_bOutputDir},       {"run/deskew", &RunSettings::m_bDeskew},
};

constexpr const char* KEY_APPEND_TEXT = "run/appendText";
constexpr const char* KEY_START_NUMBER_TEXT = "run/startNumberText";
constexpr const char* KEY_OUTPUT_FOLDER = "run/outputFolder";
constexpr const char* KEY_PIXEL_SIZE = "run/pixelSize";
constexpr const char* KEY_FINDER = "run/finder";
constexpr const char* FINDER_CLASSIC = "classic";
constexpr const char* FINDER_SHEET = "sheet";

bool IsDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void RecallTexts(RunSettings& settings, const SettingsStore& store) {
    if (const auto text = store.Value(KEY_APPEND_TEXT); text && text->size() <= APPEND_STRING_LIMIT)
        settings.m_strAppendString = *text;
    if (const auto text = store.Value(KEY_START_NUMBER_TEXT);
        text && text->size() <= START_NUMBER_LIMIT && IsDigits(*text))
        settings.m_strStartNumber = *text;
    if (const auto folder = store.Value(KEY_OUTPUT_FOLDER);
        folder && folder->starts_with('/') && folder->ends_with('/'))
        settings.m_strOutputDir = *folder;
    if (const auto text = store.Value(KEY_PIXEL_SIZE)) {
        double pixelSize = 0;
        if (PixelSizeFromText(*text, pixelSize))
            settings.mrc.pixelSize = pixelSize;
    }
    if (const auto text = store.Value(KEY_FINDER); text == FINDER_SHEET || text == FINDER_CLASSIC)
        settings.m_finder = *text == FINDER_SHEET ? ImageFinder::Sheet : ImageFinder::Classic;
    // A ticked output folder without a folder would send the files to the working directory.
    settings.m_bOutputDir = settings.m_bOutputDir && !settings.m_strOutputDir.empty();
}

} // namespace

void RememberRunSettings(const RunSettings& settings, SettingsStore& store) {
    for (const IntegerField& field : INTEGER_FIELDS)
        store.SetValue(field.key, std::to_string(settings.*field.member));
    for (const FlagField& field : FLAG_FIELDS)
        store.SetValue(field.key, settings.*field.member ? "1" : "0");
    store.SetValue(KEY_APPEND_TEXT, settings.m_strAppendString);
    store.SetValue(KEY_START_NUMBER_TEXT, settings.m_strStartNumber);
    store.SetValue(KEY_OUTPUT_FOLDER, settings.m_strOutputDir);
    store.SetValue(KEY_PIXEL_SIZE, settings.mrc.pixelSize > 0 ? PixelSizeText(settings.mrc.pixelSize) : "");
    store.SetValue(KEY_FINDER, settings.m_finder == ImageFinder::Sheet ? FINDER_SHEET : FINDER_CLASSIC);
    store.SetValue(KEY_SAVED, "1");
}

bool RecallRunSettings(RunSettings& settings, const SettingsStore& store) {
    if (store.Value(KEY_SAVED) != "1")
        return false;
    for (const IntegerField& field : INTEGER_FIELDS) {
        const auto text = store.Value(field.key);
        if (!text || text->empty() || !IsDigits(*text) || text->size() > 2)
            continue;
        const int value = std::atoi(text->c_str());
        if (std::find(field.offered.begin(), field.offered.begin() + field.count, value) !=
            field.offered.begin() + field.count)
            settings.*field.member = value;
    }
    for (const FlagField& field : FLAG_FIELDS)
        if (const auto text = store.Value(field.key); text == "1" || text == "0")
            settings.*field.member = *text == "1";
    RecallTexts(settings, store);
    return true;
}

void RememberScanFolder(const std::vector<std::string>& scans, SettingsStore& store) {
    if (scans.empty())
        return;
    const std::size_t slash = scans.front().rfind('/');
    if (slash != std::string::npos)
        store.SetValue(KEY_SCAN_FOLDER, scans.front().substr(0, slash == 0 ? 1 : slash));
}

std::string RememberedScanFolder(const SettingsStore& store) {
    return store.Value(KEY_SCAN_FOLDER).value_or("");
}

} // namespace gc
