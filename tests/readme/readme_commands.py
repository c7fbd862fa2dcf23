"""Runs every command the README shows, in the README's order, on generated data, so the README
cannot drift from the programs: the gridcarver-cli and gridcarver-make-scan lines of its indented
command blocks and the examples of its tables.

Placeholders of the batch recipe are filled in (`[options]` dropped, `FILE...` the generated scans);
lines of other programs (sbatch, parallel, apt-get, the scripts) are not run. Every command must end
with status 0, or 3 where the generated data lack what the command expects (a scan with fewer images
than the Run's default six, a batch with tasks not run): never with a usage error (2) or a refusal.

Arguments: README.md, the gridcarver-cli and gridcarver-make-scan programs."""

import os
import re
import shlex
import struct
import subprocess
import sys
import tempfile

PROGRAMS = ("gridcarver-cli", "gridcarver-make-scan")
# An 8 x 10 cm image and room around it: one image of the Run's default size.
SCAN = ["--width", "12288", "--height", "15360", "--images", "1", "--compression", "deflate"]
# Statuses a command may end with on the generated data besides 0.
ALLOWED = {
    "split": {3},   # images 2-6 of the default six are not on the generated scans
    "report": {3},  # the batch's other tasks were not run
}


def commands(readme):
    """The commands in the README's order: (line number, text)."""
    found = []
    for number, line in enumerate(readme.splitlines(), 1):
        if line.startswith("|"):
            for span in re.findall(r"`([^`]+)`", line):
                if span.startswith(PROGRAMS) and not re.search(r"\b[A-Z]{2,}\b|\[", span):
                    found.append((number, span.replace("\\|", "|")))
        elif line.startswith("    "):
            text = line.strip()
            text = text[2:] if text.startswith("$ ") else text
            if text.startswith(PROGRAMS):
                found.append((number, text))
    return found


def filled(command):
    """The batch recipe's placeholders filled in, its comment dropped."""
    command = command.split("#", 1)[0].strip()
    command = command.replace("[options] ", "").replace("FILE...", "scans/*.tif")
    return command


def write_film(path, width, height):
    """An 8-bit greyscale TIFF, one row per strip (what convert, cut and stats read)."""
    rows = [bytes((x * 3 + y * 5) % 256 for x in range(width)) for y in range(height)]
    data_offset = 8
    strips = b"".join(rows)
    offsets_at = data_offset + len(strips)
    counts_at = offsets_at + 4 * height
    directory_at = counts_at + 4 * height
    tags = [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 1),
            (273, 4, height, offsets_at), (277, 3, 1, 1), (278, 4, 1, 1), (279, 4, height, counts_at)]
    with open(path, "wb") as out:
        out.write(b"II" + struct.pack("<HI", 42, directory_at) + strips)
        out.write(b"".join(struct.pack("<I", data_offset + y * width) for y in range(height)))
        out.write(struct.pack("<I", width) * height)
        out.write(struct.pack("<H", len(tags)))
        for tag, kind, count, value in tags:
            packed = struct.pack("<HH", value, 0) if kind == 3 and count == 1 else struct.pack("<I", value)
            out.write(struct.pack("<HHI", tag, kind, count) + packed)
        out.write(struct.pack("<I", 0))


def main():
    readme_path, cli, make_scan = (os.path.abspath(a) for a in sys.argv[1:4])
    with open(readme_path, encoding="utf-8") as handle:
        found = commands(handle.read())
    failures = []
    with tempfile.TemporaryDirectory(prefix="gc-readme-") as folder:
        os.mkdir(os.path.join(folder, "scans"))
        for name in ("scan.tif", "scans/a.tif", "scans/b.tif", "scans/c.tif"):
            subprocess.run([make_scan, *SCAN, name], cwd=folder, check=True, capture_output=True)
        write_film(os.path.join(folder, "film.tif"), 600, 520)
        # The plan the batch commands of the subcommand table use, before the README makes its own.
        subprocess.run([cli, "split", "--dry-run", "--report", "plan.json", "scans/a.tif", "scans/b.tif",
                        "scans/c.tif"], cwd=folder, capture_output=True)
        bin_folder = os.path.join(folder, ".bin")
        os.mkdir(bin_folder)
        for program, path in zip(PROGRAMS, (cli, make_scan)):
            os.symlink(path, os.path.join(bin_folder, program))
        environment = dict(os.environ, PATH=bin_folder + os.pathsep + os.environ.get("PATH", ""))
        for number, command in found:
            text = filled(command)
            words = shlex.split(text)
            result = subprocess.run(["bash", "-c", text], cwd=folder, env=environment, capture_output=True,
                                    text=True)
            subcommand = words[1] if words[0] == "gridcarver-cli" and len(words) > 1 else ""
            allowed = {0} | ALLOWED.get(subcommand, set())
            verdict = "ok" if result.returncode in allowed else "FAIL"
            print(f"{verdict} README line {number}: {text} -> {result.returncode}")
            if verdict == "FAIL":
                failures.append(f"README line {number}: {text}: status {result.returncode}: "
                                f"{result.stderr.strip().splitlines()[:2]}")
    if len(found) < 10:
        failures.append(f"only {len(found)} commands found in the README")
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(found)} command(s), {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
