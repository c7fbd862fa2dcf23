#!/usr/bin/env python3
"""Writes a gzipped manual page for a Gridcarver program from the program's own --help.

    make-manpage.py --program BIN --name NAME --summary TEXT --source TEXT [--extra ROFF]
                    [--date YYYY-MM-DD] OUT.gz
    make-manpage.py --roff PAGE OUT.gz

The first form runs `BIN --help` and turns the help (the command-line parser's
layout: a description, a "Usage:" line, then "Positionals:", "Options:" and "Subcommands:" blocks of
entries whose descriptions start in one column) into NAME, SYNOPSIS, DESCRIPTION, ARGUMENTS, OPTIONS
and, for a program with subcommands, COMMANDS with the help of each subcommand. ROFF is appended as
it is (further sections written by hand). The second form only compresses a page written by hand.
The output is compressed without a time stamp, so the same input gives the same bytes.
"""

import argparse
import datetime
import gzip
import os
import re
import subprocess
import sys

# Where the parser starts an entry's description; a longer entry puts it on the next line.
DESCRIPTION_COLUMN = 30
# Entries every subcommand repeats; the page says once that they exist.
COMMON_ENTRIES = ("-h,--help", "--version")
SECTION_TITLES = {"Positionals": "ARGUMENTS", "Options": "OPTIONS"}


def escape(text):
    """Roff text: backslashes and hyphens escaped, no line taken for a request."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def run_help(program, *arguments):
    environment = dict(os.environ, LC_ALL="C", QT_QPA_PLATFORM="offscreen")
    result = subprocess.run([program, *arguments], capture_output=True, text=True, env=environment)
    if result.returncode != 0 or not result.stdout.strip():
        sys.exit(f"make-manpage: {program} {' '.join(arguments)} failed ({result.returncode}): "
                 f"{result.stderr.strip()}")
    return result.stdout


def parse_help(text):
    """Returns (description lines, usage text, [(block title, [(term, description)])], footer lines,
    example commands). The footer is the text after the blocks that follows a blank line; its
    exit-status paragraph is left out, since the page has one EXIT STATUS section for every command.
    An "Examples:" line in the footer starts the examples: one indented command a line, up to the
    next blank line."""
    description, usage, blocks, footer = [], "", [], []
    lines = text.splitlines()
    examples = []
    if "Examples:" in lines:
        start = lines.index("Examples:")
        end = start + 1
        while end < len(lines) and lines[end].strip():
            examples.append(lines[end].strip())
            end += 1
        lines = lines[:start] + lines[end:]
    index = 0
    while index < len(lines) and not lines[index].startswith("Usage:"):
        if lines[index].strip():
            description.append(lines[index].strip())
        index += 1
    if index == len(lines):
        sys.exit("make-manpage: the help has no Usage: line")
    usage = lines[index][len("Usage:"):].strip()
    for number in range(index + 1, len(lines)):
        line = lines[number]
        if not line.strip():
            continue
        after_blank = not lines[number - 1].strip()
        if footer or (blocks and after_blank and not line.startswith(" ") and not line.endswith(":")):
            if not line.startswith("Exit status:"):
                footer.append(line.strip())
            continue
        if not line.startswith(" ") and line.endswith(":"):
            blocks.append((line[:-1], []))
            continue
        if not blocks:
            description.append(line.strip())  # text after the usage, before any block
            continue
        entries = blocks[-1][1]
        if line.startswith(" " * DESCRIPTION_COLUMN) and entries:
            term, words = entries[-1]
            entries[-1] = (term, (words + " " + line.strip()).strip())
            continue
        following = lines[number + 1] if number + 1 < len(lines) else ""
        if following.startswith(" " * DESCRIPTION_COLUMN) or len(line) <= DESCRIPTION_COLUMN:
            entries.append((line.strip(), ""))
        else:
            entries.append((line[:DESCRIPTION_COLUMN].strip(), line[DESCRIPTION_COLUMN:].strip()))
    # CLI11 appends an option's constraints ("Needs: ...", "Excludes: ...") to its term.
    blocks = [(title, [(re.sub(r" (Needs|Excludes): .*", "", term), words) for term, words in entries])
              for title, entries in blocks]
    return description, usage, blocks, footer, examples


def example_lines(examples):
    """Commands shown as typed, one a line."""
    return [".nf", *(f"\\fB{escape(example)}\\fR" for example in examples), ".fi"]


def entry_list(entries, skip_common):
    out = []
    for term, words in entries:
        if skip_common and term in COMMON_ENTRIES:
            continue
        out += [".TP", f"\\fB{escape(term)}\\fR", escape(words)]
    return out


def render(program, name, summary, source, date, extra):
    description, usage, blocks, footer, examples = parse_help(run_help(program, "--help"))
    page = [
        f'.TH "{name.upper()}" "1" "{date}" "{escape(source)}" "User Commands"',
        ".SH NAME",
        f"{escape(name)} \\- {escape(summary)}",
        ".SH SYNOPSIS",
        f"\\fB{escape(name)}\\fR {escape(usage.split(' ', 1)[1] if ' ' in usage else '')}",
        ".SH DESCRIPTION",
        escape(" ".join(description)),
    ]
    subcommands = []
    for title, entries in blocks:
        if title == "Subcommands":
            subcommands = entries
            continue
        page.append(f".SH {SECTION_TITLES.get(title, title.upper())}")
        page += entry_list(entries, skip_common=False)
    if subcommands:
        page += [".SH COMMANDS",
                 f"Each command takes \\fB\\-\\-help\\fR and \\fB\\-\\-version\\fR. "
                 f"\\fB{escape(name)} \\fIcommand\\fB \\-\\-help\\fR shows what follows for one command."]
        for command, _ in subcommands:
            words, command_usage, command_blocks, command_footer, command_examples = parse_help(
                run_help(program, command, "--help"))
            page += [f'.SS "{escape(command)}"',
                     f"\\fB{escape(name)} {escape(command)}\\fR "
                     f"{escape(command_usage.split(' ', 2)[2] if command_usage.count(' ') >= 2 else '')}",
                     ".PP", escape(" ".join(words))]
            for _, entries in command_blocks:
                page += entry_list(entries, skip_common=True)
            if command_footer:
                page += [".PP", escape(" ".join(command_footer))]
            if command_examples:
                page += [".PP", "Examples:", *example_lines(command_examples)]
    if footer:
        page += [".PP", escape(" ".join(footer))]
    if examples:
        page += [".SH EXAMPLES", *example_lines(examples)]
    if extra:
        with open(extra, encoding="utf-8") as handle:
            page.append(handle.read().rstrip("\n"))
    return "\n".join(page) + "\n"


def write_gzip(text, output):
    temporary = output + ".tmp"
    with open(temporary, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0,
                                                      compresslevel=9) as packed:
        packed.write(text.encode("utf-8"))
    os.replace(temporary, output)


def main():
    parser = argparse.ArgumentParser(description="Writes a gzipped manual page from a program's --help.")
    parser.add_argument("--program")
    parser.add_argument("--name")
    parser.add_argument("--summary", default="")
    parser.add_argument("--source", default="", help='the page footer, e.g. "Gridcarver 1.0"')
    parser.add_argument("--extra")
    parser.add_argument("--date")
    parser.add_argument("--roff")
    parser.add_argument("output")
    options = parser.parse_args()
    if options.roff:
        with open(options.roff, encoding="utf-8") as handle:
            write_gzip(handle.read(), options.output)
        return
    if not options.program or not options.name:
        parser.error("--program and --name are needed without --roff")
    date = options.date
    if not date:
        epoch = os.environ.get("SOURCE_DATE_EPOCH")
        moment = (datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc) if epoch
                  else datetime.datetime.now(datetime.timezone.utc))
        date = moment.strftime("%Y-%m-%d")
    write_gzip(render(options.program, options.name, options.summary, options.source, date, options.extra),
               options.output)


if __name__ == "__main__":
    main()
