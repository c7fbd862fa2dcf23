// Texts of the optical-density conversion, the cut, the pixel statistics and the Convert / Cut
// dialog: messages, MRC labels, file-name words and the dialog's own labels.
#pragma once

#include "core/FatalMessages.h"

namespace gc {

// Shared by Convert, Cut and the pixel statistics.
inline constexpr const char* MSG_LOAD_VALID_TIFF_FIRST = "Load some valid TIFF files first...";
inline constexpr const char* MSG_COULD_NOT_OPEN_TIFF = "Could not open TIFF file. I/O Error.";
inline constexpr const char* MSG_NOT_GREYSCALE =
    "Can handle only greyscaled images. This image is in RGB format...";
inline constexpr const char* MSG_NOT_8_OR_16_BIT = "Not a 8-bit or 16-bit image ...";
inline constexpr const char* MSG_NOT_SINGLE_PLANE = "Can handle only single plane images...";
inline constexpr const char* MSG_DONE = "Done...";
// The desktop dialog's additions: after "Done...", the files written (whole paths); before Convert or
// Cut, the files that exist and would be replaced (Yes replaces them, No leaves the dialog open).
inline constexpr const char* MSG_FILES_WRITTEN = "Files written:";
inline constexpr const char* QUESTION_REPLACE_FILES = "These files exist already:";
inline constexpr const char* QUESTION_REPLACE_END = "Replace them?";
// A file whose outputs would replace an input of the batch or an output written before, in the form
// of the Run's: "The outputs of s.2.tif are not written: s.mrc has already been written by this batch."
inline constexpr const char* MSG_OUTPUTS_OF = "The outputs of ";
inline constexpr const char* MSG_OUTPUTS_NOT_WRITTEN = " are not written: ";
inline constexpr const char* MSG_BATCH_CLASHES_WITH_INPUT = " is an input of this batch.";
inline constexpr const char* MSG_BATCH_CLASHES_WITH_OUTPUT = " has already been written by this batch.";
inline constexpr const char* MSG_BATCH_OUTPUT_READ_ONLY = " is read-only.";

// Convert.
inline constexpr const char* MSG_A_NOT_CORRECT = "a value is not correct, re-enter.";
inline constexpr const char* MSG_X0_NOT_CORRECT = "x0 value is not correct, re-enter.";
inline constexpr const char* MSG_Y0_NOT_CORRECT = "y0 value is not correct, re-enter.";
inline constexpr const char* MSG_CONVERT_TOO_MANY_ROWS_PER_STRIP =
    "Can handle only strip oriented images with 1024 rows per strip. This image has more than 1024 rows per "
    "strip...";
inline constexpr const char* MSG_BINNED_TOO_BIG =
    "Binned image is bigger than 10,000 X 10,000 pixels. Program will now exit.";

// Labels of the MRC files Convert writes.
inline constexpr const char* LABEL_OD_8_BIT = "Converted mrc file from TIFF - 8 bit. Log scaled.";
inline constexpr const char* LABEL_OD_16_BIT = "Converted mrc file from TIFF - 16 bit. Log scaled.";
inline constexpr const char* LABEL_OD_2_BINNED = "Converted mrc file from TIFF. Log scaled and 2-binned.";
inline constexpr const char* LABEL_OD_3_BINNED = "Converted mrc file from TIFF. Log scaled and 3-binned.";
inline constexpr const char* LABEL_OD_4_BINNED = "Converted mrc file from TIFF. Log scaled and 4-binned.";

// File-name words.
inline constexpr const char* OD_EXTENSION = "mrc";
inline constexpr const char* OD_BINNED_SUFFIX_2 = "_2_bin.mrc";
inline constexpr const char* OD_BINNED_SUFFIX_3 = "_3_bin.mrc";
inline constexpr const char* OD_BINNED_SUFFIX_4 = "_4_bin.mrc";
inline constexpr const char* CUT_NAME_WORD = "_Cut_";
inline constexpr const char* LAST_RUN_FILE_NAME = "last_run_parameters.txt";

// Last-run file.
inline constexpr const char* MSG_LOAD_TIFF_FIRST = "Load some TIFF files first ...";
inline constexpr const char* MSG_LAST_RUN_MISSING =
    "Cannot find file last_run_parameters... Check the installation of Filmsplice.";
inline constexpr const char* MSG_LAST_RUN_UNKNOWN_GAIN =
    "Unknown gain value in file... Check last_run_parameters.txt file. Allowed gain values are in drop down "
    "GAIN menu.";
inline constexpr const char* MSG_LAST_RUN_CORRUPT =
    "Corrupt data in file ... Check the file last_run_parameters.txt.";
// The command line's convert --last-run after one of the three texts above: nothing is converted.
inline constexpr const char* MSG_LAST_RUN_NOT_READ =
    "--last-run: the last run's GAIN, a, x0 and y0 cannot be read; nothing converted.";

// Cut.
inline constexpr const char* MSG_CUT_START_X_RANGE =
    "Start X pixel is not an interger in the required range:1-20000. Reenter.";
inline constexpr const char* MSG_CUT_START_Y_RANGE =
    "Start Y pixel is not an interger in the required range:1-20000. Reenter.";
inline constexpr const char* MSG_CUT_END_X_RANGE =
    "End X pixel is not an interger in the required range:1-20000. Reenter.";
inline constexpr const char* MSG_CUT_END_Y_RANGE =
    "End Y pixel is not an interger in the required range:1-20000. Reenter.";
inline constexpr const char* MSG_CUT_END_NOT_LARGER =
    "End pixel is not larger than start pixel. Check and re-enter...";
inline constexpr const char* MSG_CUT_ONE_ROW_PER_STRIP =
    "Can handle only strip oriented with one row per strip. This image has more than one row per strip...";
inline constexpr const char* MSG_CUT_START_X_OUTSIDE = "Start X Cut point outside width of image. Reselect";
inline constexpr const char* MSG_CUT_END_X_OUTSIDE = "End X Cut point outside width of image. Reselect";
inline constexpr const char* MSG_CUT_START_Y_OUTSIDE = "Start Y Cut point outside length of image. Reselect";
inline constexpr const char* MSG_CUT_END_Y_OUTSIDE = "End Y Cut point outside length of image. Reselect";
inline constexpr const char* MSG_CUT_ERROR_WRITING = "Error Writing";

// Pixel statistics report.
inline constexpr const char* MSG_STATS_TOO_MANY_ROWS_PER_STRIP =
    "Can handle only strip oriented with 1024 rows per strip. This image has more than 1024 rows per "
    "strip...";
inline constexpr const char* STATS_FILE_NAME = "Image File Name: ";
inline constexpr const char* STATS_MEAN = "Mean Pixel Value is: ";
inline constexpr const char* STATS_MINIMUM = "Minimum pixel value is: ";
inline constexpr const char* STATS_MAXIMUM = "Maximum pixel value is: ";
inline constexpr const char* STATS_SPREAD = "Standard Deviation in the Mean Pixel Values is: ";
// Put in front of a path cut from the left to keep the report within its length.
inline constexpr const char* STATS_CUT_PATH_MARK = "...";

// The command line's refusal of a tiled TIFF (a scan for the Run), after the file's name.
inline constexpr const char* MSG_TILED_INPUT =
    ": a tiled TIFF (a scan for split); convert, cut and stats read TIFF files stored in strips.";

// The command line's refusal of a file that is no TIFF at all (convert x.mrc), after the file's name.
inline constexpr const char* MSG_NOT_TIFF_INPUT =
    ": not a TIFF file; convert and cut read TIFF files stored in strips.";

// Convert / Cut dialog.
inline constexpr const char* MSG_MORE_THAN_100_FILES =
    "More than 100 input files selected for Convert. Please reselect...";
inline constexpr const char* DLG_CONVERT_TITLE = "Convert / Cut Files Dialog ...";
inline constexpr const char* DLG_LOAD_TIFF_FILES =
    "Load TIFF file(s) for Convert or Cut Operations... (Refer Help)";
inline constexpr const char* DLG_CONVERT_GROUP = "Set Parameters for Convert...";
inline constexpr const char* DLG_SET_DEFAULT_PARAMETERS = "Set Default Parameters";
inline constexpr const char* DLG_LOAD_LAST_RUN = "Load GAIN, a, x0, y0 of last run...";
inline constexpr const char* DLG_LABEL_A = "a";
inline constexpr const char* DLG_LABEL_X0 = "x0";
inline constexpr const char* DLG_LABEL_Y0 = "y0";
inline constexpr const char* DLG_LABEL_GAIN = "GAIN";
inline constexpr const char* DLG_FITTING_EQUATION =
    "Fitting equation (Refer Help Index):\ny = y0 + (a ln (abs(x - x0 ))),\nwhere a, x0,and  y0 constants.";
inline constexpr const char* DLG_OUTPUT_NEGATIVE = "Output Negative - Check for Yes";
inline constexpr const char* DLG_BIN_SIZE_LABEL = "Select Bin Size for Output";
inline constexpr const char* DLG_BIN_SIZE_ITEMS[] = {"None", "2", "3", "4"};
inline constexpr const char* DLG_OUTPUT_FORMAT_LABEL = "Output format 8/16 bit.";
inline constexpr const char* DLG_OUTPUT_FORMAT_ITEMS[] = {"Auto", "8 bit", "16 bit"};
inline constexpr const char* DLG_DISPLAY_STATISTICS =
    "Display statistics (Min, Max, Mean and Standard Deviation of Pixel values) - Check for Yes";
inline constexpr const char* DLG_CONVERT = "Convert";
inline constexpr const char* DLG_CUT_GROUP = "Set Parameters for Cut...";
inline constexpr const char* DLG_START_X = "Start X Pixel";
inline constexpr const char* DLG_START_Y = "Start Y Pixel";
inline constexpr const char* DLG_END_X = "End X Pixel";
inline constexpr const char* DLG_END_Y = "End Y Pixel";
inline constexpr const char* DLG_CUT = "Cut";
// The open chooser's filter: files ending in .tif or .tiff.
inline constexpr const char* DLG_TIFF_FILTER_NAME = "TIFF";
inline constexpr const char* DLG_TIFF_FILTER_PATTERNS[] = {"*.tif", "*.tiff"};

} // namespace gc
