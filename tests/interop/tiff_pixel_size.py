"""The pixel size of the Run's TIFF outputs as RELION reads it: split --tiff --pixel-size P --binning 2
gives TIFFs that relion_image_handler --stats reads as P and 2P Å per pixel, with the values as
written.

Arguments: the gridcarver-cli and gridcarver-make-scan programs. Exit status 77 (skipped) when
relion_image_handler is not on PATH."""

import os
import sys

from mrc_readers import PIXEL_SIZE, close, relion_stats, run, run_interop


def check_tiff_sizes(cli, folder, failures):
    run(cli, "split", "--tiff", "--images", "1", "--width-cm", "7", "--height-cm", "9", "--binning", "2",
        "--quiet", "--pixel-size", str(PIXEL_SIZE), "plate.tif", cwd=folder)
    for name, size in (("plate_1.tif", PIXEL_SIZE), ("plate_1_2X2.tif", 2 * PIXEL_SIZE)):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            failures.append(f"{name} was not written")
            continue
        stats = relion_stats(path)[0]
        if not close(stats.get("angpix", 0.0), size, 1e-4):
            failures.append(f"{name}: RELION angpix {stats.get('angpix')}, chosen {size}")
        if not 0 <= stats["minval"] <= stats["avg"] <= stats["maxval"] <= 255:
            failures.append(f"{name}: RELION reads other values: {stats}")


if __name__ == "__main__":
    sys.exit(run_interop(check_tiff_sizes))
