// Texts of the Run: the parameter dialog, the scan checks, the run driver and the output files.
// Every text the Run shows is defined here once and used by name.
#pragma once

#include "core/FatalMessages.h"

namespace gc {

// Run refused.
inline constexpr const char* MSG_RUNNING_WAIT = "Running ... Wait!";
inline constexpr const char* MSG_PARAMETERS_NOT_SAVED =
    "Paramters Not saved. Save Parameters first before running application.";

// Shown after the path of a scan that would end a Run during the placement preview: the preview does
// not end the program, it goes on.
inline constexpr const char* MSG_PREVIEW_WOULD_STOP =
    " would stop the Run. The preview goes on with the next file.";

// Parameter dialog.
inline constexpr const char* MSG_NO_INPUT_FILES = "No input files are selected...";
inline constexpr const char* MSG_TOO_MANY_INPUT_FILES =
    "More than 100 input files selected. Please reselect...";
inline constexpr const char* MSG_OUTPUT_DIRECTORY_LOCATION = "  : Location of Output Directory.";
inline constexpr const char* TITLE_PICK_OUTPUT_DIRECTORY = "Pick an output directory to output the files:";
inline constexpr const char* FILTER_TIFF_FILES = "TIFF|*.tif;*.tiff;|";

// Parameter dialog: caption and control texts.
inline constexpr const char* RUN_PARAMETERS_CAPTION = "Set Run Parameters";
inline constexpr const char* RUN_PARAMETERS_GROUP = "Set/Change Run Parameters and Load Input Files";
inline constexpr const char* RUN_PARAMETERS_DEFAULT_SETTINGS = "Click to change default settings.";
inline constexpr const char* RUN_PARAMETERS_IMAGE_COUNT_LABEL =
    "Change number of images in scanned\nTIFF file to extract.";
inline constexpr const char* RUN_PARAMETERS_HEIGHT_LABEL =
    "Change approximate height of images in\nscanned TIFF file (cms).";
inline constexpr const char* RUN_PARAMETERS_WIDTH_LABEL =
    "Change approximate width of images\nin scanned TIFF file (cms).";
inline constexpr const char* RUN_PARAMETERS_OUTPUT_TIFF_LABEL = "Output TIFF:";
inline constexpr const char* RUN_PARAMETERS_BATCH_MODE_LABEL = "Batch Mode:";
inline constexpr const char* RUN_PARAMETERS_CHECK_FOR_YES = "Check for YES";
inline constexpr const char* RUN_PARAMETERS_BINNING_LABEL =
    "Set BINNING for output files.\nSee Help index for more\ninformation...";
inline constexpr const char* RUN_PARAMETERS_APPEND_STRING_LABEL =
    "Use string below to append to output file names:";
inline constexpr const char* RUN_PARAMETERS_START_NUMBER_LABEL =
    "Use number below as start number for output file names:";
inline constexpr const char* RUN_PARAMETERS_OUTPUT_DIR_LABEL = "Select the output directory:";
inline constexpr const char* RUN_PARAMETERS_SELECT_FILES = "SELECT FILES TO LOAD";
inline constexpr const char* RUN_PARAMETERS_SAVE_PARAMETERS = "SAVE PARAMETERS";
inline constexpr const char* RUN_PARAMETERS_IMAGE_COUNT_ITEMS[] = {"1", "2", "3", "4", "5", "6"};
inline constexpr const char* RUN_PARAMETERS_HEIGHT_ITEMS[] = {"9", "10", "11"};
inline constexpr const char* RUN_PARAMETERS_WIDTH_ITEMS[] = {"7", "8", "9"};
inline constexpr const char* RUN_PARAMETERS_BINNING_ITEMS[] = {"0", "2", "3", "4"};

// Values the kill-focus handlers put into empty edit fields.
inline constexpr const char* EMPTY_APPEND_STRING = "empty";
inline constexpr const char* EMPTY_START_NUMBER = "0001";

// Run summary shown by SAVE PARAMETERS.
inline constexpr const char* SUMMARY_INPUT_FILE = "Input File Selected: ";
inline constexpr const char* SUMMARY_INPUT_FILES = "Input Files Selected: ";
inline constexpr const char* SUMMARY_IMAGES = "Images in TIFF file: ";
inline constexpr const char* SUMMARY_HEIGHT = "Approximate height of images in TIFF file (cms): ";
inline constexpr const char* SUMMARY_WIDTH = "Approximate width of images in TIFF file (cms): ";
inline constexpr const char* SUMMARY_FILES_WILL_HAVE = "Files will have ";
inline constexpr const char* SUMMARY_APPENDED_FROM_ONE = " appended. Numbering will start with 1.";
inline constexpr const char* SUMMARY_START_WITH_NUMBER = "Files will start with number ";
inline constexpr const char* SUMMARY_AFTER_FILE_NAME = " appended after file name.";
inline constexpr const char* SUMMARY_APPENDED_START_WITH = " appended. Numbering will start with ";
inline constexpr const char* SUMMARY_SPACE_DOT = " .";
inline constexpr const char* SUMMARY_OUTPUT_DIRECTORY = "Output directory selected is: ";
inline constexpr const char* SUMMARY_NOW_RUN =
    "Now select Run from the File menu or use the shortcut key Ctrl+R.";
inline constexpr const char* SUMMARY_MRC_OUTPUT = "NOTE: MRC format files will be produced.";
inline constexpr const char* SUMMARY_TIFF_OUTPUT = "NOTE: TIFF format files will be produced.";
inline constexpr const char* SUMMARY_NO_BINNING = "No binned output image will be produced.";
inline constexpr const char* SUMMARY_BINNING_2 =
    "2X2 binned output image will also be produced. Images will have _2X2 appended.";
inline constexpr const char* SUMMARY_BINNING_3 =
    "3X3 binned output image will also be produced. Images will have _3X3 appended.";
inline constexpr const char* SUMMARY_BINNING_4 =
    "4X4 binned output image will also be produced. Images will have _4X4 appended.";

// Scan checks: the file is skipped.
inline constexpr const char* MSG_BAD_SAMPLES_PER_PIXEL = "Bad samples per pixel. File is skipped.";
inline constexpr const char* MSG_ONLY_8_BIT = "Can handle only 8-bit samples. File is skipped.";
inline constexpr const char* MSG_ONLY_SINGLE_PLANE = "Can handle only single plane images. File is skipped.";
inline constexpr const char* MSG_RGB_SKIPPED =
    "Can handle only greyscaled images. This image is in RGB format. File is skipped.";
// Follows the input path.
inline constexpr const char* MSG_STRIP_ENCODED =
    " This file is in STRIP encoded TIFF file format. Splitting only works with TILE encoded TIFF file "
    "formats.";
inline constexpr const char* MSG_INVALID_TIFF =
    " This file has an invalid TIFF file format. Cannot open this file for reading.";

// Scan checks: the scan does not fit the parameters; the program ends.
inline constexpr const char* MSG_BINNED_IMAGE =
    "Image is a binned image. This program works with only full resolution TILE oriented TIFF images from "
    "the scanner. Also check the approximate settings. Use the default case if you do not know what to use.";
inline constexpr const char* MSG_PLACED_INCORRECTLY =
    "One of more images appear to be placed incorrectly. Check source.";
inline constexpr const char* MSG_TILE_COUNT_INCORRECT =
    "Number of tiles in the tile oriented TIFF file is incorrect. Check the source.";

// Fatal stops (besides MSG_READ_ERROR and MSG_WRITE_ERROR).
inline constexpr const char* MSG_RGB_FATAL =
    "RGB Format encountered. No support of RGB. Use Greyscaled TIFF files. Program will now exit. Restart "
    "program.";

inline constexpr const char* MSG_RUN_COMPLETE = "Run Complete.";
// The end of a dry run, which writes nothing.
inline constexpr const char* MSG_DRY_RUN_COMPLETE = "Dry run: nothing written.";
// The end of a dry run that wrote the placement pictures.
inline constexpr const char* MSG_DRY_RUN_PICTURES_COMPLETE = "Dry run: nothing written but the pictures.";

// An image whose output would replace an input of the Run or a file the Run has written:
// "Image 2 of /scans/s.tif is not written: /scans/s_1.tif" + one of the two reasons.
inline constexpr const char* MSG_RUN_IMAGE_NOT_WRITTEN = " is not written: ";
inline constexpr const char* MSG_CLASHES_WITH_INPUT = " is an input of this Run.";
inline constexpr const char* MSG_CLASHES_WITH_OUTPUT = " has already been written by this Run.";
// An image whose existing output has no write permission: the image number and scan, then
// MSG_RUN_IMAGE_NOT_WRITTEN, this text and the output's name.
inline constexpr const char* MSG_OUTPUT_READ_ONLY = "read-only: ";
// Said once for a JPEG-compressed scan split into TIFF outputs: the scan's path, then this text.
inline constexpr const char* MSG_JPEG_TIFF_AS_DEFLATE =
    ": JPEG-compressed scan; its TIFF outputs are written with Deflate (lossless).";
// The number of temporaries removed, then this text and the folder.
inline constexpr const char* MSG_STALE_TEMPORARIES_REMOVED =
    " leftover temporary file(s) of an ended Run removed from ";
// The start of the warning about a report or placement picture that is not written, in the form of
// the image's: "<label> is not written: <name> is an input of this Run."
inline constexpr const char* MSG_REPORT_LABEL = "The report";
inline constexpr const char* MSG_PICTURE_OF = "The placement picture of ";
// A scan that would have stopped the Run, skipped instead when the Run is told to keep going:
// the path, then this text.
inline constexpr const char* MSG_SCAN_NOT_SPLIT = " could not be split. The Run goes on with the next file.";

// Detail lines (the command line prints them before a fatal text): what was being read or written.
inline constexpr const char* DETAIL_READING = "reading ";
inline constexpr const char* DETAIL_TILE_UNREADABLE = ": tile %d cannot be read";
inline constexpr const char* DETAIL_RGB = ": an RGB scan";
inline constexpr const char* DETAIL_NOT_FITTING = ": the scan does not fit the Run's parameters or limits";
inline constexpr const char* DETAIL_NO_MEMORY = ": not enough memory";
inline constexpr const char* DETAIL_SCAN_SHRANK = ": the scan shrank while it was read";
inline constexpr const char* DETAIL_SCAN_CHANGED = ": the scan changed while it was read";
// A thread of the one pass that failed: DETAIL_READING, the path, this text, then its reason.
inline constexpr const char* DETAIL_THREAD_FAILED = ": a reading thread failed: ";
inline constexpr const char* DETAIL_UNKNOWN_ERROR = "unknown error";
// A Run of several scans that stops: "The Run stopped at file 3 of 5 (<path>); 2 split, 0 skipped
// before it."
inline constexpr const char* DETAIL_STOPPED_AT_FILE = "The Run stopped at file ";
inline constexpr const char* DETAIL_STOPPED_OF = " of ";
inline constexpr const char* DETAIL_STOPPED_SPLIT = " split, ";
inline constexpr const char* DETAIL_STOPPED_SKIPPED = " skipped before it.";
// The --threads value, then this text, then the number of threads used.
inline constexpr const char* MSG_THREADS_CLAMPED =
    " threads asked for; the scan's tile columns and the cores allow ";

// --magnification on a scan whose tags do not give its sampling: the path, then this text.
inline constexpr const char* MSG_NO_SCAN_SAMPLING =
    " has no usable resolution tags (equal XResolution and YResolution, ResolutionUnit inch or "
    "centimetre), so its pixel size cannot be taken from the magnification. File is skipped.";
// A pixel size from --magnification outside the bounds of --pixel-size: the path, the first text,
// the size and the second text.
inline constexpr const char* MSG_DERIVED_PIXEL_SIZE =
    ": the pixel size its resolution tags and the magnification give, ";
inline constexpr const char* MSG_DERIVED_PIXEL_SIZE_OUT_OF_RANGE =
    " A, is not above 0 and at most 1000 A. File is skipped.";
// Summary lines for the MRC style and the pixel size (shown only when set).
inline constexpr const char* SUMMARY_MRC2014 =
    "NOTE: MRC files will be written as MRC2014 (unsigned 16-bit).";
inline constexpr const char* SUMMARY_PIXEL_SIZE = "Pixel size (A): ";
// The Run dialog's pixel size field and its refusal.
inline constexpr const char* RUN_PARAMETERS_PIXEL_SIZE_LABEL = "Pixel size (Å):";
// The Run dialog's choice of how the images are found (in the order of ImageFinder), and the summary's
// line when the sheet finder is chosen (the classic search adds none).
inline constexpr const char* RUN_PARAMETERS_FINDER_LABEL = "Find the images by:";
inline constexpr const char* RUN_PARAMETERS_FINDER_ITEMS[] = {"classic search", "sheet finder"};
inline constexpr const char* SUMMARY_SHEET_FINDER = "Images will be found by the sheet finder.";
// The Run dialog's deskew box (with the sheet finder), and its summary line.
inline constexpr const char* RUN_PARAMETERS_DESKEW_LABEL = "Turn turned sheets back (deskew):";
inline constexpr const char* SUMMARY_DESKEW =
    "Turned sheets will be turned back before they are cut (bilinear interpolation).";
// The dialog's lists of what was chosen: the output folder beside its box, the scans below the buttons.
inline constexpr const char* RUN_PARAMETERS_NO_FOLDER = "(no folder chosen)";
inline constexpr const char* RUN_PARAMETERS_NO_SCANS = "No scans chosen.";
inline constexpr const char* RUN_PARAMETERS_ONE_SCAN = "1 scan chosen:";
inline constexpr const char* RUN_PARAMETERS_SCANS = " scans chosen:"; // after the count
// SAVE PARAMETERS with the output-folder box ticked and no folder chosen.
inline constexpr const char* MSG_NO_OUTPUT_FOLDER =
    "No output folder is chosen. Choose one, or clear \"Select the output directory:\" to write the files "
    "beside their scans.";
inline constexpr const char* MSG_PIXEL_SIZE_NOT_CORRECT =
    "Pixel size is not correct: leave it empty or give a number of angstrom above 0 and at most 1000.";

// Size checks of the found images (the command line prefixes the scan's and the image's names).
inline constexpr const char* SIZE_WARNING_SHOWS = "the scan shows ";
inline constexpr const char* SIZE_WARNING_WIDE = " cm wide x ";
inline constexpr const char* SIZE_WARNING_HIGH = " cm high (";
inline constexpr const char* SIZE_WARNING_CHOSEN = " pixels), the chosen size cuts ";
inline constexpr const char* SIZE_WARNING_PIXELS = " pixels";
inline constexpr const char* SIZE_WARNING_TRY = "; try --height-cm ";
inline constexpr const char* SIZE_WARNING_NO_CHOICE = "; no --height-cm/--width-cm choice fits";
inline constexpr const char* SIZE_WARNING_OVERLAPS = "overlaps image ";
inline constexpr const char* SIZE_WARNING_RUNS = "runs ";
inline constexpr const char* SIZE_WARNING_PAST_RIGHT = " columns past the right edge of the scan";
inline constexpr const char* SIZE_WARNING_PAST_BOTTOM = " rows past the bottom of the scan";
// The sheet finder's warnings, and the classic search's hint where the sheet finder would cut.
inline constexpr const char* SHEET_WARNING_TURNED = "the sheet is turned by ";
inline constexpr const char* SHEET_WARNING_SQUARE =
    " degrees; the crop is cut square to the scan, not along the sheet";
inline constexpr const char* SHEET_WARNING_CROP_REACHES = "the crop reaches ";
inline constexpr const char* SHEET_WARNING_PAST_RIGHT = " columns past the sheet's right edge";
inline constexpr const char* SHEET_WARNING_PAST_BOTTOM = " rows past the sheet's bottom edge";
// After an image's place in the lines and the placement picture: its sheet's angle (sheet finder).
inline constexpr const char* SHEET_ANGLE_TURNED = ", turned ";
inline constexpr const char* SHEET_ANGLE_DEGREES = " degrees";
// After the angle of a sheet that was turned back before it was cut: the interpolation between them.
inline constexpr const char* SHEET_DESKEWED = ", turned back (";
inline constexpr const char* SHEET_DESKEWED_INTERPOLATION = " interpolation)";
inline constexpr const char* SHEET_HINT_PLACES = "the sheet finder places it at x ";
inline constexpr const char* SHEET_HINT_Y = ", y ";
inline constexpr const char* SHEET_HINT_TURNED = ", turned by ";
inline constexpr const char* SHEET_HINT_TRY = " degrees (try --finder sheet)";

// Output files.
inline constexpr const char* MRC_SPLIT_LABEL =
    "TIFF to MRC converted file after splitting using Filmsplice.exe.";
inline constexpr const char* MRC_EXTENSION = "mrc";
inline constexpr const char* BINNED_SUFFIX_2 = "_2X2";
inline constexpr const char* BINNED_SUFFIX_3 = "_3X3";
inline constexpr const char* BINNED_SUFFIX_4 = "_4X4";

} // namespace gc
