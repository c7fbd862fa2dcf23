"""The pixel size of the Run's TIFF outputs as RELION reads it: split --tiff --pixel-size P --binning 2
gives TIFFs that relion_image_handler --stats reads as P and 2P Å per pixel, with the values as
written.

Arguments: the gridcarver-cli and gridcarver-make-scan programs. Exit status 77 (skipped) when
relion_image_handler is not on PATH."""

import os
import shutil
import sys
import tempfile

from mrc_readers import SKIPPED, close, relion_stats, run

PIXEL_SIZE = 1.4


def main():
    cli, make_scan = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if shutil.which("relion_image_handler") is None:
        print("relion_image_handler is not on PATH (Debian package relion): interop tests skipped")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory(prefix="gc-interop-") as folder:
        run(make_scan, "--width", "10496", "--height", "13312", "--images", "1", "--width-cm", "7",
            "--height-cm", "9", "plate.tif", cwd=folder)
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
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
