#!/usr/bin/python3
"""Suggested picks beside RELION's Laplacian-of-Gaussian picker on generated micrographs.

Makes micrographs with known particle centres (projections of compact lumpy blobs 120-250 A across,
dark on a bright background, with an illumination gradient, slow background variation, a few large
dark contaminations and strong white plus particle-sized coloured noise) at several noise levels,
runs `gridcarver-cli pick --auto --dry-run` and `relion_autopick --LoG` (thresholds 0, 1 and 2) on
them, and prints precision, recall and F1 (a pick matches an unmatched true centre within 0.3 x its
diameter) per noise level and overall, and the time each picker took.

    bench/suggest_picks_eval.py --cli build/src/cli/gridcarver-cli [--work DIR] [--seeds 101 102]
        [--size 4096] [--levels 1 2 3] [--no-relion] [--repeat 3] [--cpus 0]

Times are wall-clock times of whole commands. Each picker runs --repeat times on the same
micrographs (RELION once per threshold, which does the same filtering whatever the threshold) and the
median per micrograph is printed; --cpus pins both pickers to the same cores (taskset), so that they
have the same number of threads. Timings on a shared machine are indicative only.
"""
import argparse
import glob
import os
import shutil
import statistics
import subprocess
import sys
import time

import mrcfile
import numpy as np

ANGPIX = 2.0
DIAMETER_MIN, DIAMETER_MAX = 120.0, 250.0  # A
MATCH_FRACTION = 0.3
RELION_THRESHOLDS = (0.0, 1.0, 2.0)


def gaussian_filter(image, sigma):
    """Periodic Gaussian smoothing through the FFT (numpy only)."""
    ky = np.fft.fftfreq(image.shape[0])[:, None]
    kx = np.fft.rfftfreq(image.shape[1])[None, :]
    transfer = np.exp(-2.0 * (np.pi * sigma) ** 2 * (kx * kx + ky * ky))
    return np.fft.irfft2(np.fft.rfft2(image) * transfer, s=image.shape)


def particle_projection(rng, diameter_px):
    """Projection of a compact blob: a slightly squashed ball plus a few lumps, peak 1."""
    radius = diameter_px / 2.0
    half = int(np.ceil(radius * 1.2)) + 2
    y, x = np.mgrid[-half:half + 1, -half:half + 1].astype(np.float64)
    angle = rng.uniform(0, np.pi)
    axes = radius * rng.uniform(0.8, 1.0, 2)
    u = (x * np.cos(angle) + y * np.sin(angle)) / axes[0]
    v = (-x * np.sin(angle) + y * np.cos(angle)) / axes[1]
    projection = np.sqrt(np.clip(1.0 - u * u - v * v, 0.0, None))
    for _ in range(rng.integers(3, 7)):
        cx, cy = rng.uniform(-0.5, 0.5, 2) * radius
        sigma = radius * rng.uniform(0.15, 0.3)
        projection += 0.6 * np.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * sigma * sigma))
    return projection / projection.max()


def place_particles(rng, size, count, contaminations):
    """Centres and diameters (pixels) of non-overlapping particles away from the edges and blobs."""
    placed = []
    dmin, dmax = DIAMETER_MIN / ANGPIX, DIAMETER_MAX / ANGPIX
    for _ in range(count * 20):
        if len(placed) >= count:
            break
        d = rng.uniform(dmin, dmax)
        x, y = rng.uniform(dmax, size - dmax, 2)
        if any((x - px) ** 2 + (y - py) ** 2 < (0.55 * (d + pd) * 1.1) ** 2 for px, py, pd in placed):
            continue
        if any((x - cx) ** 2 + (y - cy) ** 2 < (cr + d) ** 2 for cx, cy, cr in contaminations):
            continue
        placed.append((x, y, d))
    return placed


def make_micrograph(seed, size, level):
    """A micrograph of `size` pixels, noise level 1 (mild) .. 3 (strong); returns image and truth."""
    rng = np.random.default_rng(seed)
    dmax = DIAMETER_MAX / ANGPIX
    contaminations = [(rng.uniform(0, size), rng.uniform(0, size), rng.uniform(1.5, 4) * dmax)
                      for _ in range(rng.integers(2, 5))]
    truth = place_particles(rng, size, int(rng.integers(250, 400)), contaminations)
    signal = np.zeros((size, size))
    for x, y, d in truth:
        blob = particle_projection(rng, d)
        half = blob.shape[0] // 2
        xi, yi = int(round(x)), int(round(y))
        signal[yi - half:yi + half + 1, xi - half:xi + half + 1] += blob
    yy, xx = np.mgrid[0:size, 0:size].astype(np.float64)
    for cx, cy, radius in contaminations:
        signal += 2.5 * np.clip(1.2 - np.hypot(xx - cx, yy - cy) / radius, 0, 1) ** 0.5
    gradient = 0.8 * (xx / size - 0.5) * rng.choice([-1, 1]) + 0.5 * (yy / size - 0.5)
    slow = gaussian_filter(rng.normal(size=(size, size)), size / 16) * size / 16 * 0.4
    coloured = gaussian_filter(rng.normal(size=(size, size)), dmax / 8) * dmax / 8 * 0.5
    white = rng.normal(size=(size, size))
    noise = level * (1.2 * white + coloured)
    image = 10.0 + gradient + slow - signal + noise
    return image.astype(np.float32), truth


def read_star_xy(path):
    """The _rlnCoordinateX/Y columns of a STAR file's loop."""
    columns, rows = {}, []
    with open(path) as star:
        for line in star:
            text = line.strip()
            if text.startswith("_rln"):
                name, _, number = text.partition(" #")
                columns[name.strip()] = int(number) - 1 if number else len(columns)
            elif columns and text and not text.startswith(("data_", "loop_", "#")):
                rows.append(text.split())
    ix, iy = columns["_rlnCoordinateX"], columns["_rlnCoordinateY"]
    return [(float(r[ix]), float(r[iy])) for r in rows]


def match(picks, truth):
    """True positives: greedy nearest matching within MATCH_FRACTION x the true diameter."""
    used = [False] * len(truth)
    positives = 0
    centres = np.array([(x, y) for x, y, _ in truth]) if truth else np.zeros((0, 2))
    for px, py in picks:
        if not len(centres):
            break
        distance = np.hypot(centres[:, 0] - px, centres[:, 1] - py)
        for index in np.argsort(distance):
            if distance[index] > MATCH_FRACTION * truth[index][2]:
                break
            if not used[index]:
                used[index] = True
                positives += 1
                break
    return positives


def f1(tp, npicks, ntrue):
    precision = tp / npicks if npicks else 0.0
    recall = tp / ntrue if ntrue else 0.0
    score = 2 * precision * recall / (precision + recall) if precision + recall else 0.0
    return precision, recall, score


def pinned(command, cpus):
    """The command run on the given cores only (taskset), or as it is."""
    return ["taskset", "-c", cpus] + command if cpus else command


def run_gridcarver(cli, path, cpus):
    for old in glob.glob(path[:-4] + "_picks.*"):
        os.remove(old)
    started = time.perf_counter()
    run = subprocess.run(pinned([cli, "pick", path, "--auto", "--diameter", f"{DIAMETER_MIN:g}:{DIAMETER_MAX:g}",
                          "--pixel-size", f"{ANGPIX:g}", "--dry-run"], cpus), capture_output=True, text=True)
    seconds = time.perf_counter() - started
    star = path[:-4] + "_picks.star"
    picks = read_star_xy(star) if os.path.exists(star) else []
    return picks, seconds, run.stdout.splitlines()[0] if run.stdout else run.stderr.strip()


def run_relion(work, micrographs, threshold, cpus):
    odir = os.path.join(work, f"relion_{threshold:g}")
    shutil.rmtree(odir, ignore_errors=True)
    star = os.path.join(work, "mics.star")
    with open(star, "w") as out:
        out.write("data_optics\nloop_\n_rlnOpticsGroupName #1\n_rlnOpticsGroup #2\n"
                  "_rlnMicrographPixelSize #3\n_rlnVoltage #4\n_rlnSphericalAberration #5\n"
                  f"_rlnAmplitudeContrast #6\nopticsGroup1 1 {ANGPIX:g} 300 2.7 0.1\n\n")
        out.write("data_micrographs\nloop_\n_rlnMicrographName #1\n_rlnOpticsGroup #2\n")
        for path in micrographs:
            out.write(os.path.basename(path) + " 1\n")
    started = time.perf_counter()
    subprocess.run(pinned(["relion_autopick", "--i", "mics.star", "--odir", os.path.basename(odir) + "/",
                           "--pickname", "autopick", "--LoG", "--LoG_diam_min", f"{DIAMETER_MIN:g}",
                           "--LoG_diam_max", f"{DIAMETER_MAX:g}", "--angpix", f"{ANGPIX:g}",
                           "--LoG_adjust_threshold", f"{threshold:g}"], cpus), cwd=work, check=False,
                   capture_output=True)
    seconds = time.perf_counter() - started
    picks = {}
    for path in micrographs:
        name = os.path.splitext(os.path.basename(path))[0] + "_autopick.star"
        found = glob.glob(os.path.join(odir, "**", name), recursive=True)
        picks[path] = read_star_xy(found[0]) if found else []
    return picks, seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", default="build/bench/suggest-picks")
    parser.add_argument("--seeds", type=int, nargs="+", default=[7301, 7302])
    parser.add_argument("--levels", type=float, nargs="+", default=[1.0, 2.0, 3.0])
    parser.add_argument("--size", type=int, default=4096)
    parser.add_argument("--no-relion", action="store_true")
    parser.add_argument("--repeat", type=int, default=3, help="runs of our picker per micrograph")
    parser.add_argument("--cpus", default="", help="cores both pickers are pinned to, e.g. 0")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    os.makedirs(args.work, exist_ok=True)

    micrographs, truths, levels = [], {}, {}
    for level in args.levels:
        for seed in args.seeds:
            path = os.path.abspath(os.path.join(args.work, f"mic_l{level:g}_s{seed}.mrc"))
            image, truth = make_micrograph(seed * 10 + int(level * 7), args.size, level)
            with mrcfile.new(path, overwrite=True) as mrc:
                mrc.set_data(image)
                mrc.voxel_size = ANGPIX
            micrographs.append(path)
            truths[path], levels[path] = truth, level

    results = {"gridcarver": {}}
    times = {"gridcarver": []}
    for path in micrographs:
        runs = [run_gridcarver(cli, path, args.cpus) for _ in range(max(1, args.repeat))]
        results["gridcarver"][path] = runs[-1][0]
        times["gridcarver"].append(statistics.median(seconds for _, seconds, _ in runs))
        print(f"{os.path.basename(path)}: {runs[-1][2]}", file=sys.stderr)
    relion_times = []
    if not args.no_relion and shutil.which("relion_autopick"):
        for threshold in RELION_THRESHOLDS:
            name = f"relion LoG {threshold:g}"
            results[name], seconds = run_relion(os.path.abspath(args.work), micrographs, threshold, args.cpus)
            relion_times.append(seconds / len(micrographs))

    print(f"{len(micrographs)} micrographs {args.size}x{args.size}, {ANGPIX:g} A/pixel, particles "
          f"{DIAMETER_MIN:g}-{DIAMETER_MAX:g} A, seeds {args.seeds}")
    print(f"{'picker':<18}{'noise':>6}{'true':>7}{'picks':>7}{'prec':>7}{'recall':>7}{'F1':>7}")
    for name, picks in results.items():
        for level in list(args.levels) + ["all"]:
            chosen = [p for p in micrographs if level == "all" or levels[p] == level]
            tp = sum(match(picks[p], truths[p]) for p in chosen)
            npicks = sum(len(picks[p]) for p in chosen)
            ntrue = sum(len(truths[p]) for p in chosen)
            precision, recall, score = f1(tp, npicks, ntrue)
            print(f"{name:<18}{str(level):>6}{ntrue:>7}{npicks:>7}{precision:>7.3f}{recall:>7.3f}{score:>7.3f}")
    ours = statistics.median(times["gridcarver"])
    print(f"time per micrograph (s, wall clock of whole commands, cores {args.cpus or 'all'}, "
          "shared machine: indicative only):")
    print(f"  gridcarver        median {ours:6.2f}  (median of {args.repeat} runs each; slowest "
          f"{max(times['gridcarver']):.2f})")
    if relion_times:
        theirs = statistics.median(relion_times)
        print(f"  relion LoG        median {theirs:6.2f}  (median of the {len(relion_times)} threshold runs: "
              + ", ".join(f"{t:.2f}" for t in relion_times) + ")")
        print(f"  relion / gridcarver {theirs / ours:.1f}x")


if __name__ == "__main__":
    main()
