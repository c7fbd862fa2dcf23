// The command line's own texts: usage problems, the help's examples and the lines a command prints
// about the files it wrote. The operations' texts live in their subsystems' *Messages.h headers.
#pragma once

namespace gc::cli {

// Number options: "<option>: <value> is not a number" and "<option>: must be ...".
inline constexpr const char* CLI_NOT_A_NUMBER = " is not a number";
inline constexpr const char* CLI_PIXEL_SIZE_RANGE = "must be between 0 and 1000 \u00C5";
inline constexpr const char* CLI_POSITIVE_NUMBER = "must be a number above 0";

// An unknown subcommand: "unknown command "splt"; did you mean "split"?".
inline constexpr const char* CLI_UNKNOWN_COMMAND = "unknown command \"";
inline constexpr const char* CLI_DID_YOU_MEAN = "\"; did you mean \"";
inline constexpr const char* CLI_COMMANDS_ARE = "\"; the commands are ";
inline constexpr const char* CLI_NO_COMMAND = "a command is required: ";

// Files named on the command line.
inline constexpr const char* CLI_NO_SUCH_FILE = ": no such file";
inline constexpr const char* CLI_IS_A_FOLDER = ": is a folder, not a file";
inline constexpr const char* CLI_NO_SUCH_FOLDER = ": no such folder";

// An RGB scan given to split, said once: "<scan>" + one of these.
inline constexpr const char* CLI_RGB_STOPS =
    ": an RGB scan; split reads greyscale scans only. The Run stops here (--keep-going skips such a scan).";
inline constexpr const char* CLI_RGB_SKIPPED =
    ": an RGB scan; split reads greyscale scans only. Skipped; the Run goes on with the next file.";

// export OUT of a type it does not write.
inline constexpr const char* CLI_EXPORT_TYPES =
    ": export writes BMP, JPEG and TIFF files only (.bmp, .jpg, .jpeg, .tif, .tiff)";

// split --plan with options a task takes from the plan.
inline constexpr const char* CLI_PLAN_TAKES_ONLY =
    "--plan takes only --task, --threads, --quiet and --progress; the plan holds the rest: ";

// The per-file lines and the tally of convert, cut and pick.
inline constexpr const char* CLI_FILE_WRITTEN = " file written";
inline constexpr const char* CLI_FILES_WRITTEN = " files written";

// The examples each --help ends with (before the exit statuses), one command a line.
inline constexpr const char* CLI_EXAMPLES_PROGRAM =
    "  gridcarver-cli split --binning 2 --output-dir out scan.tif\n"
    "  gridcarver-cli convert --gain 0.5 --bin 2 film.tif\n"
    "  gridcarver-cli pick out/scan_1.mrc --size 200 1200,3400 5000,800\n"
    "  gridcarver-cli split --help";
inline constexpr const char* CLI_EXAMPLES_SPLIT =
    "  gridcarver-cli split --binning 2 --output-dir out scans/*.tif\n"
    "  gridcarver-cli split --tiff --pixel-size 1.4 --images 4 --width-cm 7 --height-cm 9 plate7.tif\n"
    "  gridcarver-cli split --dry-run --preview --report plan.json scans/*.tif\n"
    "  gridcarver-cli split --plan plan.json --task 3";
inline constexpr const char* CLI_EXAMPLES_REPORT =
    "  gridcarver-cli report --merge plan.json\n"
    "  gridcarver-cli report --merge plan.json --output batch.json";
inline constexpr const char* CLI_EXAMPLES_CONVERT =
    "  gridcarver-cli convert --gain 0.5 --bin 2 film.tif\n"
    "  gridcarver-cli convert --a -0.4016 --x0 -309 --y0 2.1 --mrc2014 --pixel-size 1.4 film*.tif\n"
    "  gridcarver-cli convert --last-run --stats film.tif";
inline constexpr const char* CLI_EXAMPLES_CUT =
    "  gridcarver-cli cut --start-x 1 --start-y 1 --end-x 512 --end-y 512 film.tif\n"
    "  gridcarver-cli cut --start-x 100 --start-y 100 --end-x 611 --end-y 611 --stats film*.tif";
inline constexpr const char* CLI_EXAMPLES_STATS = "  gridcarver-cli stats film.tif";
inline constexpr const char* CLI_EXAMPLES_PROPERTIES = "  gridcarver-cli properties scan.tif\n"
                                                       "  gridcarver-cli properties out/scan_1.mrc";
inline constexpr const char* CLI_EXAMPLES_EXPORT = "  gridcarver-cli export out/scan_1.mrc scan_1.tif\n"
                                                   "  gridcarver-cli export stack.mrcs box3.bmp --image 3";
inline constexpr const char* CLI_EXAMPLES_PICK =
    "  gridcarver-cli pick out/scan_1.mrc --size 200 1200,3400 5000,800\n"
    "  gridcarver-cli pick micrograph.tif --size 64 --collate --coords micrograph_picks.star\n"
    "  gridcarver-cli pick out/scan_1.mrc --size 128 --mrc2014 --pixel-size 1.4 600,600";

} // namespace gc::cli
