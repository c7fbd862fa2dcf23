"""The MRC files of the Run (full and binned), Convert (full and binned) and picking (single boxes and
a collated stack), in the classic and the MRC2014 style, read by RELION and python3-mrcfile:

- relion_image_handler --stats gives the statistics of our own data (classic mode 0 read as signed
  bytes, the documented reading: each value modulo 256) and the pixel size we chose;
- with --mrc2014 every file opens with mrcfile.open() (not permissive) and passes mrcfile.validate.

Arguments: the gridcarver-cli and gridcarver-make-scan programs. Exit status 77 (skipped) when
relion_image_handler is not on PATH."""

import glob
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import warnings

import numpy as np

SKIPPED = 77
PIXEL_SIZE = 1.4
DTYPES = {0: np.uint8, 2: np.float32, 6: np.uint16}
# The binned copies of the Run ("_2X2") and of Convert ("_2_bin").
BINNED_NAME = re.compile(r"_2X2\.|_2_bin\.")


def run(*command, cwd=None):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(command)} ended {result.returncode}: {result.stderr}")
    return result.stdout


def our_data(path):
    """The values as stored and as a reader of the documented convention sees them."""
    header = np.fromfile(path, dtype="<i4", count=256)
    nx, ny, nz, mode = (int(v) for v in header[:4])
    data = np.fromfile(path, dtype=np.dtype(DTYPES[mode]).newbyteorder("<"), offset=1024)
    assert data.size == nx * ny * nz, f"{path}: {data.size} values for {nx} x {ny} x {nz}"
    if mode == 0:
        data = data.view(np.int8)  # RELION's reading of mode 0
    return data.astype(np.float64), nx


def relion_stats(path):
    """One line of numbers per image RELION sees: one for an image or a volume, one per section of
    a stack."""
    text = run("relion_image_handler", "--i", path, "--stats")
    images = []
    for line in text.splitlines():
        numbers = {}
        for key in ("avg", "stddev", "minval", "maxval", "angpix"):
            match = re.search(key + r"\s*=\s*([-+0-9.eE]+)", line)
            if match:
                numbers[key] = float(match.group(1))
        if {"avg", "stddev", "minval", "maxval"} <= numbers.keys():
            images.append(numbers)
    assert images, f"{path}: {text}"
    return images


def close(a, b, tolerance):
    return abs(a - b) <= tolerance * max(1.0, abs(a), abs(b))


def check_relion(path, pixel_size, failures):
    data, _ = our_data(path)
    images = relion_stats(path)
    for section, stats in zip(np.split(data, len(images)), images):
        ours = {"avg": section.mean(), "minval": section.min(), "maxval": section.max(),
                "stddev": section.std()}
        for key, value in ours.items():
            if not close(stats[key], value, 1e-3):
                failures.append(f"{path}: RELION {key} {stats[key]}, ours {value}")
        if not close(stats.get("angpix", 0.0), pixel_size, 1e-4):
            failures.append(f"{path}: RELION angpix {stats['angpix']}, chosen {pixel_size}")
    if path.endswith(".mrcs") and len(images) < 2:
        failures.append(f"{path}: RELION does not read it as a stack")
    # The pixel size the header carries (CELLA / MX), as RELION and mrcfile take it.
    header = np.fromfile(path, dtype="<i4", count=256)
    cella_x = np.frombuffer(header[10:11].tobytes(), dtype="<f4")[0]
    mx = int(header[7])
    if not close(cella_x / mx, pixel_size, 1e-5):
        failures.append(f"{path}: header pixel size {cella_x / mx}, chosen {pixel_size}")


def check_mrcfile(path, pixel_size, failures):
    import mrcfile

    with warnings.catch_warnings():
        warnings.simplefilter("error")
        try:
            with mrcfile.open(path) as mrc:
                if not close(float(mrc.voxel_size.x), pixel_size, 1e-5):
                    failures.append(f"{path}: mrcfile voxel size {mrc.voxel_size.x}, chosen {pixel_size}")
                data, _ = our_data(path)
                if not np.array_equal(mrc.data.astype(np.float64).ravel(), data):
                    failures.append(f"{path}: mrcfile reads other values")
        except Exception as error:  # noqa: BLE001 - every refusal is a failure to report
            failures.append(f"{path}: mrcfile.open refuses it: {error}")
    report = io.StringIO()
    if not mrcfile.validate(path, print_file=report):
        failures.append(f"{path}: mrcfile.validate: {report.getvalue().strip()}")


def write_strip_tiff(path, width, height):
    """An uncompressed 8-bit greyscale TIFF in one strip, values over the whole 0..255 range."""
    rng = np.random.default_rng(7)
    y, x = np.mgrid[0:height, 0:width]
    pixels = ((x * 3 + y * 5) % 256 + rng.integers(0, 40, size=(height, width))) % 256
    data = pixels.astype(np.uint8).tobytes()
    tags = [(256, 4, width), (257, 4, height), (258, 3, 8), (259, 3, 1), (262, 3, 1), (273, 4, 8),
            (277, 3, 1), (278, 4, height), (279, 4, len(data))]
    entries = b"".join(struct.pack("<HHII", tag, kind, 1, value) if kind == 4
                       else struct.pack("<HHIHH", tag, kind, 1, value, 0) for tag, kind, value in tags)
    directory = 8 + len(data)
    with open(path, "wb") as out:
        out.write(b"II" + struct.pack("<HI", 42, directory) + data)
        out.write(struct.pack("<H", len(tags)) + entries + struct.pack("<I", 0))


def run_interop(check):
    """Runs check(cli, folder, failures) in a fresh folder holding plate.tif, a one-image 7 x 9 cm scan,
    and prints the failures it collects. Returns the exit status: 77 when RELION is not installed."""
    cli, make_scan = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if shutil.which("relion_image_handler") is None:
        print("relion_image_handler is not on PATH (Debian package relion): interop tests skipped")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory(prefix="gc-interop-") as folder:
        run(make_scan, "--width", "10496", "--height", "13312", "--images", "1", "--width-cm", "7",
            "--height-cm", "9", "plate.tif", cwd=folder)
        check(cli, folder, failures)
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


def check_every_writer(cli, folder, failures):
    # The Run reads plate.tif; a small strip TIFF serves Convert and picking.
    write_strip_tiff(os.path.join(folder, "film.tif"), 512, 384)
    for style, options in (("classic", []), ("mrc2014", ["--mrc2014"])):
        out = os.path.join(folder, style)
        os.mkdir(out)
        size = ["--pixel-size", str(PIXEL_SIZE)]
        run(cli, "split", "--images", "1", "--width-cm", "7", "--height-cm", "9", "--binning", "2",
            "--quiet", "--output-dir", out, *size, *options, os.path.join(folder, "plate.tif"))
        shutil.copy(os.path.join(folder, "film.tif"), out)
        run(cli, "convert", "--bin", "2", *size, *options, "film.tif", cwd=out)
        run(cli, "pick", "film.tif", "--size", "32", *size, *options, "100,100", "300,200", cwd=out)
        run(cli, "pick", "film.tif", "--size", "32", "--collate", *size, *options, "60,60", "200,150",
            "400,300", cwd=out)
        files = sorted(glob.glob(os.path.join(out, "*.mrc")) + glob.glob(os.path.join(out, "*.mrcs")))
        # full and binned split image, full and binned convert, two boxes and one stack
        if len(files) != 7:
            failures.append(f"{style}: {len(files)} MRC files: {files}")
        for path in files:
            binned = BINNED_NAME.search(os.path.basename(path)) is not None
            pixel_size = PIXEL_SIZE * (2 if binned else 1)
            check_relion(path, pixel_size, failures)
            if style == "mrc2014":
                check_mrcfile(path, pixel_size, failures)
        if style == "mrc2014" and not glob.glob(os.path.join(out, "*Collated*.mrcs")):
            failures.append("mrc2014: the collated stack is not named .mrcs")


if __name__ == "__main__":
    sys.exit(run_interop(check_every_writer))
