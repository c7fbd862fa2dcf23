#include "forms/RunParametersForm.h"
#include "forms/RunMemory.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>

namespace gc {
namespace {

using test::RecordingMessages;

// Scripted choosers: each call takes the next prepared answer (nothing = Cancel).
class ScriptedChooser final : public RunFileChooser {
public:
    std::optional<std::vector<std::string>> ChooseInputFiles(bool multiple,
                                                             const std::string& filter) override {
        m_multiple.push_back(multiple);
        m_strFilter = filter;
        auto answer = m_files.empty() ? std::nullopt : m_files.front();
        if (!m_files.empty())
            m_files.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseFolder(const std::string& title) override {
        m_strTitle = title;
        ++m_nFolderCalls;
        auto answer = m_folders.empty() ? std::nullopt : m_folders.front();
        if (!m_folders.empty())
            m_folders.pop_front();
        return answer;
    }
    void StartIn(const std::string& folder) override { m_startFolders.push_back(folder); }
    std::deque<std::optional<std::vector<std::string>>> m_files;
    std::vector<std::string> m_startFolders;
    std::deque<std::optional<std::string>> m_folders;
    std::vector<bool> m_multiple;
    std::string m_strFilter, m_strTitle;
    int m_nFolderCalls = 0;
};

std::vector<std::string> Paths(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/scans/s" + std::to_string(i) + ".tif");
    return paths;
}

struct DialogFixture : ::testing::Test {
    RunSettings m_parameters;
    RunDialogState m_state;
    ScriptedChooser m_chooser;
    RecordingMessages m_messages;
};

TEST_F(DialogFixture, OpeningResetsTheRecordButKeepsThePaths) {
    m_parameters.m_nImageCount = 3;
    m_parameters.m_bOutputTiff = true;
    m_state.m_bSaved = true;
    m_state.m_bFilesLoaded = true;
    m_parameters.m_strAppendString = "run";
    m_parameters.m_strOutputDir = "/out/";
    m_parameters.m_strInputFiles = {"/scans/a.tif", "/scans/b.tif", "/scans/c.tif", "/scans/kept.tif"};
    m_parameters.mrc = {MrcStyle::Mrc2014, 2.5};
    m_state.m_bRunning = true;
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    EXPECT_EQ(m_parameters.m_nImageCount, 6);
    EXPECT_EQ(m_parameters.m_nHeightCm, 10);
    EXPECT_EQ(m_parameters.m_nWidthCm, 8);
    EXPECT_EQ(m_parameters.m_nBinning, 0);
    EXPECT_FALSE(m_parameters.m_bOutputTiff);
    EXPECT_FALSE(m_state.m_bSaved);
    EXPECT_TRUE(m_state.m_bFilesLoaded) << "the scans chosen before stay chosen";
    EXPECT_EQ(dialog.ChosenScans().size(), 4u);
    EXPECT_EQ(m_parameters.m_strAppendString, "");
    EXPECT_EQ(m_parameters.m_strOutputDir, "");
    EXPECT_EQ(m_parameters.mrc.pixelSize, 0);
    EXPECT_EQ(m_parameters.m_strInputFiles.size(), 4u);
    EXPECT_EQ(m_parameters.m_strInputFiles[3], "/scans/kept.tif");
    EXPECT_TRUE(m_parameters.mrc.IsMrc2014()) << "the MRC style is a preference, not a field";
    EXPECT_TRUE(m_state.m_bRunning) << "the dialog never touches the running flag";
    EXPECT_EQ(dialog.Selection().m_nImageCountIndex, NO_SELECTION);
}

TEST_F(DialogFixture, RefusedWhileRunning) {
    m_state.m_bRunning = true;
    EXPECT_FALSE(RunParametersForm::MayOpen(m_state, m_messages));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Running ... Wait!"});
    m_state.m_bRunning = false;
    EXPECT_TRUE(RunParametersForm::MayOpen(m_state, m_messages));
    EXPECT_EQ(m_messages.m_shown.size(), 1u);
}

// The rule of Run and Preview Placements: a Run in progress is named first, then unsaved settings.
TEST(RunCommandRule, RefusesWhileRunningThenUntilSaved) {
    struct Case {
        bool running, saved;
        std::vector<std::string> shown;
    };
    const Case cases[] = {{true, false, {MSG_RUNNING_WAIT}},
                          {true, true, {MSG_RUNNING_WAIT}},
                          {false, false, {MSG_PARAMETERS_NOT_SAVED}},
                          {false, true, {}}};
    for (const Case& c : cases) {
        RunDialogState state;
        state.m_bRunning = c.running;
        state.m_bSaved = c.saved;
        RecordingMessages messages;
        EXPECT_EQ(MayStartRun(state, messages), c.shown.empty());
        EXPECT_EQ(messages.Texts(), c.shown) << c.running << c.saved;
        for (const auto& shown : messages.m_shown)
            EXPECT_EQ(shown.m_kind, MessageKind::Warning);
    }
    // The busy flag marks a Run in progress until it is cleared or goes.
    RunDialogState state;
    {
        BusyFlag busy(state);
        EXPECT_TRUE(state.m_bRunning);
        busy.Clear();
        EXPECT_FALSE(state.m_bRunning);
        state.m_bRunning = true;
    }
    EXPECT_FALSE(state.m_bRunning);
}

TEST_F(DialogFixture, ComboSelectionsMapToValues) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    const int images[] = {1, 2, 3, 4, 5, 6, 6};
    const int imageIndexes[] = {0, 1, 2, 3, 4, 5, NO_SELECTION};
    for (int i = 0; i < 7; ++i) {
        dialog.OnSelchangeImageCount(imageIndexes[i]);
        EXPECT_EQ(m_parameters.m_nImageCount, images[i]) << "index " << imageIndexes[i];
    }
    const int heights[] = {9, 10, 11, 10};
    const int widths[] = {7, 8, 9, 8};
    const int indexes[] = {0, 1, 2, NO_SELECTION};
    for (int i = 0; i < 4; ++i) {
        dialog.OnSelchangeHeight(indexes[i]);
        dialog.OnSelchangeWidth(indexes[i]);
        EXPECT_EQ(m_parameters.m_nHeightCm, heights[i]);
        EXPECT_EQ(m_parameters.m_nWidthCm, widths[i]);
    }
    const int binnings[] = {0, 2, 3, 4};
    for (int i = 0; i < 4; ++i) {
        dialog.OnSelchangeBinning(i);
        EXPECT_EQ(m_parameters.m_nBinning, binnings[i]);
    }
    dialog.OnSelchangeBinning(NO_SELECTION);
    EXPECT_EQ(m_parameters.m_nBinning, 4) << "no selection leaves the binning as it was";
}

TEST_F(DialogFixture, EveryChangeClearsTheSavedMark) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    const std::vector<std::function<void()>> handlers = {[&] { dialog.OnSelchangeImageCount(2); },
                                                         [&] { dialog.OnSelchangeHeight(0); },
                                                         [&] { dialog.OnSelchangeWidth(2); },
                                                         [&] { dialog.OnSelchangeBinning(1); },
                                                         [&] { dialog.OnDefaultSettings(); },
                                                         [&] { dialog.OnOutputTiff(); },
                                                         [&] { dialog.OnBatchMode(); },
                                                         [&] { dialog.OnAppendString(); },
                                                         [&] { dialog.OnStartNumber(); },
                                                         [&] { dialog.OnOutputDir(); },
                                                         [&] { dialog.OnKillfocusAppendString("a"); },
                                                         [&] { dialog.OnKillfocusStartNumber("1"); },
                                                         [&] { dialog.OnSelectFiles(); }};
    for (std::size_t i = 0; i < handlers.size(); ++i) {
        m_state.m_bSaved = true;
        handlers[i]();
        EXPECT_FALSE(m_state.m_bSaved) << "handler " << i;
    }
}

TEST_F(DialogFixture, DefaultSettingsKeepCheckBoxesAndStrings) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    dialog.OnSelchangeImageCount(1);
    dialog.OnSelchangeHeight(2);
    dialog.OnSelchangeWidth(0);
    dialog.OnSelchangeBinning(3);
    dialog.OnOutputTiff();
    dialog.OnAppendString();
    dialog.OnKillfocusAppendString("run");
    dialog.OnDefaultSettings();
    EXPECT_EQ(m_parameters.m_nImageCount, 6);
    EXPECT_EQ(m_parameters.m_nHeightCm, 10);
    EXPECT_EQ(m_parameters.m_nWidthCm, 8);
    EXPECT_EQ(m_parameters.m_nBinning, 0);
    EXPECT_TRUE(m_parameters.m_bOutputTiff);
    EXPECT_TRUE(m_parameters.m_bAppendString);
    EXPECT_EQ(m_parameters.m_strAppendString, "run");
    EXPECT_EQ(dialog.Selection().m_nImageCountIndex, 5);
    EXPECT_EQ(dialog.Selection().m_nHeightIndex, 1);
    EXPECT_EQ(dialog.Selection().m_nWidthIndex, 1);
    EXPECT_EQ(dialog.Selection().m_nBinningIndex, 0);
}

TEST_F(DialogFixture, TogglesAndKillFocusDefaults) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    dialog.OnStartNumber();
    dialog.OnStartNumber();
    EXPECT_FALSE(m_parameters.m_bStartNumber);
    EXPECT_EQ(dialog.OnKillfocusAppendString(""), "empty");
    EXPECT_EQ(dialog.OnKillfocusStartNumber(""), "0001");
    EXPECT_EQ(dialog.OnKillfocusStartNumber("0042"), "0042");
    EXPECT_EQ(m_parameters.m_strStartNumber, "0042");
}

TEST_F(DialogFixture, SingleFileSelectionAndOutputFolder) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    m_chooser.m_folders.push_back("/data/out.v");
    dialog.OnOutputDir();
    EXPECT_EQ(m_chooser.m_strTitle, "Pick an output directory to output the files:");
    EXPECT_EQ(m_parameters.m_strOutputDir, "/data/out.v/");
    EXPECT_EQ(dialog.OutputFolderText(), "/data/out.v/");
    m_chooser.m_files.push_back(std::vector<std::string>{"/scans/plate.tif"});
    m_chooser.m_folders.push_back("/data/out.w");
    dialog.OnSelectFiles();
    EXPECT_EQ(m_chooser.m_multiple, std::vector<bool>{false});
    EXPECT_EQ(m_chooser.m_strFilter, "TIFF|*.tif;*.tiff;|");
    EXPECT_TRUE(m_state.m_bFilesLoaded);
    EXPECT_EQ(m_parameters.m_strInputFiles, std::vector<std::string>{"/scans/plate.tif"});
    EXPECT_EQ(m_parameters.m_strOutputDir, "/data/out.w/");
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"/data/out.v  : Location of Output Directory.",
                                                            "/data/out.w  : Location of Output Directory."}));
    // The folder chooser opens where the chosen folder is.
    EXPECT_EQ(m_chooser.m_startFolders.back(), "/data/out.v/");

    // Cancel in both choosers changes nothing; the folder chooser still comes.
    dialog.OnSelectFiles();
    EXPECT_EQ(m_parameters.m_strInputFiles[0], "/scans/plate.tif");
    EXPECT_EQ(m_parameters.m_strOutputDir, "/data/out.w/");
    EXPECT_EQ(m_chooser.m_nFolderCalls, 3);

    // The chosen path always gets its "/", the root folder too.
    m_chooser.m_folders.push_back("/");
    dialog.OnSelectFiles();
    EXPECT_EQ(m_parameters.m_strOutputDir, "//");
    EXPECT_EQ(m_messages.Texts().back(), "/  : Location of Output Directory.");
}

// Ticking "Select the output directory:" opens the folder chooser at once; a cancelled chooser
// leaves the box ticked only when a folder was chosen before, so the files never go to the folder
// the program was started from. Clearing the box asks nothing.
TEST_F(DialogFixture, TickingTheOutputFolderBoxOpensTheChooser) {
    struct Case {
        const char* before; // the folder chosen earlier
        std::optional<std::string> answer;
        bool ticked;
        const char* folder;
    } cases[] = {
        {"", "/out", true, "/out/"},
        {"", std::nullopt, false, ""},
        {"/kept/", std::nullopt, true, "/kept/"},
        {"/kept/", "/new", true, "/new/"},
    };
    for (const Case& c : cases) {
        ScriptedChooser chooser;
        RunSettings parameters;
        RunDialogState state;
        RunParametersForm dialog(parameters, state, chooser, m_messages);
        parameters.m_strOutputDir = c.before;
        chooser.m_folders.push_back(c.answer);
        dialog.OnOutputDir();
        EXPECT_EQ(parameters.m_bOutputDir, c.ticked) << c.before;
        EXPECT_EQ(parameters.m_strOutputDir, c.folder) << c.before;
        EXPECT_EQ(chooser.m_startFolders, std::vector<std::string>{c.before});
        if (c.ticked) {
            dialog.OnOutputDir();
            EXPECT_FALSE(parameters.m_bOutputDir);
            EXPECT_EQ(chooser.m_nFolderCalls, 1) << "clearing the box asks nothing";
        }
    }
}

TEST_F(DialogFixture, SaveRefusesATickedBoxWithoutAFolder) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    m_chooser.m_files.push_back(std::vector<std::string>{"/scans/plate.tif"});
    dialog.OnSelectFiles();
    m_parameters.m_bOutputDir = true; // as a record from elsewhere may have it
    EXPECT_FALSE(dialog.OnSaveParameters());
    EXPECT_FALSE(m_state.m_bSaved);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_NO_OUTPUT_FOLDER});
}

TEST_F(DialogFixture, TheChosenScansAreListed) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    EXPECT_EQ(dialog.ScanCountText(), "No scans chosen.");
    EXPECT_TRUE(dialog.ChosenScans().empty());
    m_chooser.m_files.push_back(std::vector<std::string>{"/scans/plate.tif"});
    dialog.OnSelectFiles();
    EXPECT_EQ(dialog.ScanCountText(), "1 scan chosen:");
    dialog.OnBatchMode();
    m_chooser.m_files.push_back(Paths(3));
    dialog.OnSelectFiles();
    EXPECT_EQ(dialog.ScanCountText(), "3 scans chosen:");
    EXPECT_EQ(dialog.ChosenScans(), Paths(3));
    EXPECT_EQ(dialog.OutputFolderText(), "(no folder chosen)");
}

// What SAVE PARAMETERS saved comes back in the next session (a new record, the same store); the
// defaults button still means 6, 10, 8 and 0.
TEST_F(DialogFixture, SavedParametersAndFoldersComeBackInTheNextSession) {
    MemorySettings store;
    {
        RunSettings parameters;
        RunDialogState state;
        RunParametersForm dialog(parameters, state, m_chooser, m_messages, &store);
        dialog.OnSelchangeImageCount(2);
        dialog.OnSelchangeHeight(2);
        dialog.OnSelchangeWidth(0);
        dialog.OnSelchangeBinning(3);
        dialog.OnOutputTiff();
        dialog.OnBatchMode();
        dialog.OnAppendString();
        dialog.OnKillfocusAppendString("grid");
        dialog.OnStartNumber();
        dialog.OnKillfocusStartNumber("0007");
        m_chooser.m_folders.push_back("/data/out");
        dialog.OnOutputDir();
        m_chooser.m_files.push_back(std::vector<std::string>{"/films/day 2/a.tif", "/films/day 2/b.tif"});
        dialog.OnSelectFiles();
        parameters.mrc.pixelSize = 1.25;
        ASSERT_TRUE(dialog.OnSaveParameters());
    }
    RunSettings parameters;
    RunDialogState state;
    m_chooser.m_startFolders.clear();
    RunParametersForm dialog(parameters, state, m_chooser, m_messages, &store);
    EXPECT_EQ(parameters.m_nImageCount, 3);
    EXPECT_EQ(parameters.m_nHeightCm, 11);
    EXPECT_EQ(parameters.m_nWidthCm, 7);
    EXPECT_EQ(parameters.m_nBinning, 4);
    EXPECT_TRUE(parameters.m_bOutputTiff && parameters.m_bBatchMode && parameters.m_bAppendString &&
                parameters.m_bStartNumber && parameters.m_bOutputDir);
    EXPECT_EQ(parameters.m_strAppendString, "grid");
    EXPECT_EQ(parameters.m_strStartNumber, "0007");
    EXPECT_EQ(parameters.m_strOutputDir, "/data/out/");
    EXPECT_EQ(parameters.mrc.pixelSize, 1.25);
    EXPECT_FALSE(state.m_bFilesLoaded) << "scans are chosen anew in a new session";
    EXPECT_EQ(dialog.Selection().m_nImageCountIndex, 2);
    EXPECT_EQ(dialog.Selection().m_nHeightIndex, 2);
    EXPECT_EQ(dialog.Selection().m_nWidthIndex, 0);
    EXPECT_EQ(dialog.Selection().m_nBinningIndex, 3);
    dialog.OnSelectFiles(); // cancelled, but it opened where the last scans were
    EXPECT_EQ(m_chooser.m_startFolders.front(), "/films/day 2");
    dialog.OnDefaultSettings();
    EXPECT_EQ(parameters.m_nImageCount, 6);
    EXPECT_EQ(parameters.m_nHeightCm, 10);
    EXPECT_EQ(parameters.m_nWidthCm, 8);
    EXPECT_EQ(parameters.m_nBinning, 0);
    EXPECT_TRUE(parameters.m_bOutputTiff) << "the defaults button leaves the boxes alone";
}

// A stored value the dialog would not offer (edited by hand, another version) is not taken.
TEST(RunMemory, ValuesTheDialogDoesNotOfferAreNotTaken) {
    MemorySettings store;
    RunSettings saved;
    RememberRunSettings(saved, store);
    const std::string tooLong(51, 'a');
    for (const auto& [key, value] : {std::pair{"run/imageCount", "7"},
                                     {"run/heightCm", "12"},
                                     {"run/widthCm", "x"},
                                     {"run/binning", "1"},
                                     {"run/startNumberText", "12a"},
                                     {"run/outputFolder", "relative/"},
                                     {"run/outputDir", "1"},
                                     {"run/appendText", tooLong.c_str()},
                                     {"run/pixelSize", "-3"},
                                     {"run/finder", "fast"}})
        store.SetValue(key, value);
    RunSettings recalled;
    recalled.m_strAppendString = "before";
    ASSERT_TRUE(RecallRunSettings(recalled, store));
    const RunSettings defaults;
    EXPECT_EQ(recalled.m_nImageCount, defaults.m_nImageCount);
    EXPECT_EQ(recalled.m_nHeightCm, defaults.m_nHeightCm);
    EXPECT_EQ(recalled.m_nWidthCm, defaults.m_nWidthCm);
    EXPECT_EQ(recalled.m_nBinning, defaults.m_nBinning);
    EXPECT_EQ(recalled.m_strStartNumber, "");
    EXPECT_EQ(recalled.m_strAppendString, "before");
    EXPECT_EQ(recalled.mrc.pixelSize, 0);
    EXPECT_EQ(recalled.m_finder, ImageFinder::Classic);
    EXPECT_FALSE(recalled.m_bOutputDir)
        << "a ticked box without a folder would write into the working directory";
    EXPECT_FALSE(RecallRunSettings(recalled, MemorySettings{})) << "nothing saved yet";
}

TEST_F(DialogFixture, BatchOfExactlyOneHundredIsAccepted) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    dialog.OnBatchMode();
    m_chooser.m_files.push_back(Paths(100));
    dialog.OnSelectFiles();
    EXPECT_EQ(m_chooser.m_multiple, std::vector<bool>{true});
    EXPECT_TRUE(m_state.m_bFilesLoaded);
    EXPECT_EQ(m_parameters.m_strInputFiles, Paths(100));
    EXPECT_TRUE(m_messages.m_shown.empty());
}

TEST_F(DialogFixture, MoreThanOneHundredFilesAreRefused) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    dialog.OnBatchMode();
    m_chooser.m_folders.push_back("/out");
    dialog.OnOutputDir();
    m_chooser.m_files.push_back(std::vector<std::string>{"/a.tif", "/b.tif"});
    dialog.OnSelectFiles();
    ASSERT_EQ(m_parameters.m_strInputFiles.size(), 2u);

    m_chooser.m_files.push_back(Paths(101));
    dialog.OnSelectFiles();
    EXPECT_EQ(m_messages.Texts().back(), "More than 100 input files selected. Please reselect...");
    // The Run's files become the first ones chosen, as many as before; the loaded mark stays; the
    // folder step is skipped.
    EXPECT_EQ(m_parameters.m_strInputFiles, (std::vector<std::string>{"/scans/s0.tif", "/scans/s1.tif"}));
    EXPECT_TRUE(m_state.m_bFilesLoaded);
    EXPECT_EQ(m_chooser.m_nFolderCalls, 2);
}

TEST_F(DialogFixture, SaveWithoutFilesStaysInTheDialog) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    EXPECT_FALSE(dialog.OnSaveParameters());
    EXPECT_FALSE(m_state.m_bSaved);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"No input files are selected..."});
}

TEST_F(DialogFixture, SaveShowsTheSummaryAndMarksSaved) {
    RunParametersForm dialog(m_parameters, m_state, m_chooser, m_messages);
    m_chooser.m_files.push_back(std::vector<std::string>{"/scans/plate.tif"});
    dialog.OnSelectFiles();
    EXPECT_TRUE(dialog.OnSaveParameters());
    EXPECT_TRUE(m_state.m_bSaved);
    ASSERT_EQ(m_messages.m_shown.size(), 1u);
    EXPECT_EQ(m_messages.m_shown[0].m_kind, MessageKind::Information);
    EXPECT_EQ(m_messages.m_shown[0].m_strText,
              "Input File Selected: \n/scans/plate.tif\n"
              "Images in TIFF file: 6\n"
              "Approximate height of images in TIFF file (cms): 10\n"
              "Approximate width of images in TIFF file (cms): 8\n"
              "Now select Run from the File menu or use the shortcut key Ctrl+R.\n"
              "NOTE: MRC format files will be produced.\n"
              "No binned output image will be produced.\n");

    // A second opening starts from the defaults and is not saved.
    RunParametersForm again(m_parameters, m_state, m_chooser, m_messages);
    EXPECT_FALSE(m_state.m_bSaved);
    EXPECT_EQ(m_parameters.m_nImageCount, 6);
}

TEST(RunSummary, BatchNamingOutputDirectoryAndBinning) {
    RunSettings parameters;
    parameters.m_bBatchMode = true;
    parameters.m_strInputFiles = {"/s/a.tif", "/s/b.tif"};
    parameters.m_nImageCount = 3;
    parameters.m_nHeightCm = 9;
    parameters.m_nWidthCm = 7;
    parameters.m_bAppendString = true;
    parameters.m_bStartNumber = true;
    parameters.m_strAppendString = "run";
    parameters.m_strStartNumber = "0007";
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = "/out/";
    parameters.m_bOutputTiff = true;
    parameters.m_nBinning = 3;
    EXPECT_EQ(BuildRunSummary(parameters),
              "Input Files Selected: \n/s/a.tif\n/s/b.tif\n"
              "Images in TIFF file: 3\n"
              "Approximate height of images in TIFF file (cms): 9\n"
              "Approximate width of images in TIFF file (cms): 7\n"
              "Files will have run appended. Numbering will start with 0007 .\n"
              "Output directory selected is: /out/ .\n"
              "Now select Run from the File menu or use the shortcut key Ctrl+R.\n"
              "NOTE: TIFF format files will be produced.\n"
              "3X3 binned output image will also be produced. Images will have _3X3 appended.\n");
}

TEST(RunSummary, NamingLinesAndBinningLines) {
    RunSettings parameters;
    parameters.m_strInputFiles = {"/s/a.tif"};
    parameters.m_bBatchMode = true; // one file in batch mode still says "Files"
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "empty";
    parameters.m_nBinning = 2;
    std::string summary = BuildRunSummary(parameters);
    EXPECT_EQ(summary.rfind("Input Files Selected: \n/s/a.tif\n", 0), 0u);
    EXPECT_NE(summary.find("\nFiles will have empty appended. Numbering will start with 1.\n"),
              std::string::npos);
    EXPECT_NE(
        summary.find("\n2X2 binned output image will also be produced. Images will have _2X2 appended.\n"),
        std::string::npos);

    parameters.m_bAppendString = false;
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "";
    parameters.m_nBinning = 4;
    summary = BuildRunSummary(parameters);
    EXPECT_NE(summary.find("\nFiles will start with number  appended after file name.\n"), std::string::npos);
    EXPECT_NE(
        summary.find("\n4X4 binned output image will also be produced. Images will have _4X4 appended.\n"),
        std::string::npos);
    EXPECT_EQ(summary.find("Output directory"), std::string::npos);
}

} // namespace
} // namespace gc
