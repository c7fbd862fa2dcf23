// The Convert / Cut dialog without its window: the members and defaults, what each control does to
// them, the text each field shows after a refresh, and the presses of Convert and Cut. The desktop
// dialog (ConvertCutDialog) mirrors the controls into the m_str… texts and list selections before
// calling a handler and shows them again afterwards. A press of Convert reads the a, x0 and y0 texts
// (FitFields.h) and hands ConvertFiles their values; the command line does the same from its options.
#pragma once

#include "convert/Convert.h"
#include "convert/ConvertMessages.h"
#include "convert/ConvertOutcome.h"
#include "convert/Cut.h"
#include "convert/FitFields.h"
#include "core/DialogSelection.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "forms/Questions.h"

#include <optional>
#include <string>
#include <vector>

namespace gc {

// The open chooser of "Load TIFF file(s)…": several files ending in .tif or .tiff.
class TiffFileChooser {
public:
    virtual ~TiffFileChooser() = default;
    // The chosen paths in the order the chooser returns them; nothing when the user cancels.
    virtual std::optional<std::vector<std::string>> ChooseTiffFiles() = 0;
};

// Bin size of an item of the bin-size list: 0 (none), 2, 3 or 4.
int BinSizeOfIndex(int binIndex);

class ConvertCutForm {
public:
    ConvertCutForm(Messages& messages, Progress& progress);

    // Button "Load TIFF file(s)…": more than MAX_TIFF_FILES are refused and the loaded list stays.
    void OnLoadTiffFiles(TiffFileChooser& chooser);
    // The same rule for paths chosen elsewhere; true when they were taken.
    bool LoadTiffFiles(const std::vector<std::string>& paths);

    // List selections: `index` is the selected item, or NO_SELECTION.
    void OnSelchangeGain(int index);
    void OnSelchangeBinSize(int index);
    void OnSelchangeOutputFormat(int index);
    // Check boxes: each click toggles the box and its member.
    void OnOutputNegative();
    void OnDisplayStatistics();
    // Button "Set Default Parameters".
    void OnSetDefaultParameters();
    // Button "Load GAIN, a, x0, y0 of last run...".
    void OnLoadLastRun();
    // Buttons "Convert" and "Cut": Done means the dialog closes; after a fatal outcome the process ends.
    // With questions set, outputs that exist already are named first and replaced only on Yes (No:
    // Refused, nothing written), and "Done..." names the files written.
    ConvertOutcome OnConvert();
    ConvertOutcome OnCut();
    void SetQuestions(Questions* questions) { m_pQuestions = questions; }

    // Writes every member into its control: a, x0, y0 with up to 15 significant digits ("-309"),
    // the check boxes, and the four Cut fields. List selections are left as they are.
    void RefreshFields();

    // Members of the dialog.
    std::vector<std::string> m_strTiffFiles;
    int m_nTiffCount = 0;
    bool m_bTiffLoaded = false;
    int m_nBinIndex = 0;
    int m_nOutputFormat = OUTPUT_FORMAT_AUTO;
    bool m_bNegative = false;
    bool m_bStatistics = false;
    // The header style of the files Convert writes (Tools ▸ "Write MRC2014 Files").
    MrcStyle m_mrcStyle = MrcStyle::Classic;
    double m_dGain;
    double m_dA;
    double m_dX0;
    double m_dY0;
    int m_nCutStartX = 0;
    int m_nCutStartY = 0;
    int m_nCutEndX = 0;
    int m_nCutEndY = 0;
    int m_nLowerLimit = FIT_LOWER_LIMIT;
    int m_nUpperLimit = FIT_UPPER_LIMIT;

    // State of the controls: the texts of the edit fields, the lists' selections, the check boxes.
    std::string m_strA;
    std::string m_strX0;
    std::string m_strY0;
    std::string m_strCutStartX;
    std::string m_strCutStartY;
    std::string m_strCutEndX;
    std::string m_strCutEndY;
    int m_nGainSelection = NO_SELECTION;
    int m_nBinSelection = NO_SELECTION;
    int m_nFormatSelection = NO_SELECTION;
    bool m_bNegativeChecked = false;
    bool m_bStatisticsChecked = false;

    // Where the last-run file lives: its bare name, so the working directory.
    std::string m_strLastRunPath = LAST_RUN_FILE_NAME;

private:
    // The files Convert and Cut take: the loaded list, or none.
    std::vector<std::string> LoadedFiles() const;

    Messages& m_messages;
    Progress& m_progress;
    Questions* m_pQuestions = nullptr;
};

} // namespace gc
