#!/usr/bin/env bash
# Lists the functions of src/ longer than a limit (default 60 lines, from the first line of the
# signature to the closing brace), longest first, and their count. A brace counter, not a parser: it
# drops comments, string and character literals, treats namespace, class, struct, union and enum
# bodies as scopes, and takes every other outermost brace pair after a parenthesis as a function
# (constructors with initializer lists and lambdas at namespace scope included).
# Usage: scripts/long-functions.sh [LIMIT] [FOLDER...]
set -euo pipefail
cd "$(dirname "$0")/.."
limit="${1:-60}"
shift || true
folders=("${@:-src}")
git ls-files -- "${folders[@]}" | grep -E '\.(cpp|h)$' | python3 -c '
import re, sys

limit = int(sys.argv[1])

def strip(text):
    # Comments and literals become blanks; newlines stay so line numbers hold.
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i)); i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j])); i = j
        elif c == "R" and text.startswith("R\"", i):
            m = re.match(r"R\"([^(]*)\(", text[i:])
            end = text.find(")" + m.group(1) + "\"", i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j])); i = j
        elif c in "\"\x27":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(" " * (min(j, n - 1) + 1 - i)); i = j + 1
        else:
            out.append(c); i += 1
    # Preprocessor lines (with their continuations) become blanks as well.
    return re.sub(r"(?m)^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", lambda m: re.sub(r"[^\n]", " ", m.group(0)), "".join(out))

found = []
for path in sys.stdin.read().split():
    text = strip(open(path, encoding="utf-8", errors="replace").read())
    stack = []          # "scope", "function" or "block"
    head_start = 0      # where the statement before the next brace begins
    function = None     # (name, first line) of the open function
    for i, c in enumerate(text):
        if c in ";":
            if all(k == "scope" for k in stack):
                head_start = i + 1
        elif c == "{":
            if all(k == "scope" for k in stack):
                head = text[head_start:i]
                bare = re.sub(r"\s+", " ", head).strip()
                if re.match(r"^(template\s*<.*>\s*)?(namespace|class|struct|union|enum)\b", bare) and "(" not in bare.split("{")[0].split(":")[0] or bare.startswith("extern"):
                    stack.append("scope"); head_start = i + 1; continue
                if "(" in bare:
                    names = re.findall(r"([~\w:]+(?:<[^()]*>)?|operator\s*\S+)\s*\(", bare)
                    name = names[0] if names else "?"
                    offset = head_start + len(head) - len(head.lstrip())
                    function = (name, text.count("\n", 0, offset) + 1)
                    stack.append("function"); continue
                stack.append("block")  # an initializer or array at namespace scope
            else:
                stack.append("block")
        elif c == "}":
            kind = stack.pop() if stack else "scope"
            if kind == "function" and function:
                last = text.count("\n", 0, i) + 1
                length = last - function[1] + 1
                if length > limit:
                    found.append((length, path, function[1], function[0]))
                function = None
            if all(k == "scope" for k in stack):
                head_start = i + 1
for length, path, line, name in sorted(found, key=lambda f: (-f[0], f[1], f[2])):
    print(f"{length:5d}  {path}:{line}  {name}")
print(f"{len(found)} functions over {limit} lines")
' "$limit"
