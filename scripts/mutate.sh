#!/usr/bin/env bash
# Mutation testing, for developers (not part of CI): seeds one fault at a time into the
# plug-in's sources, builds, runs the tests, puts the file back, and prints every mutant the
# tests did not kill, with the score.
#
#   bash scripts/mutate.sh [--files 'src/core/*.cpp'] [--tests REGEX] [--limit N] [--list]
#
# Faults seeded: a comparison changed by one (< and <=, > and >=), a condition inverted
# (== and !=, if (x) and if (!(x))), a statement removed, an integer constant changed by one,
# the two arguments of a call swapped, and a calling convention changed. A mutant that does
# not build is stillborn and not counted. --tests picks the CTest tests (all by default);
# natively a mutant costs seconds, under an emulator minutes. The tree is put back however
# the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
files='src/*/*.cpp src/*/*.h'
tests=''
limit=0
list=0
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files="$2"; shift 2 ;;
    --tests) tests="$2"; shift 2 ;;
    --limit) limit="$2"; shift 2 ;;
    --list) list=1; shift ;;
    *) echo "usage: bash scripts/mutate.sh [--files GLOB] [--tests REGEX] [--limit N] [--list]" >&2; exit 2 ;;
  esac
done

[ "$list" = 1 ] || source scripts/session.sh

# shellcheck disable=SC2086
python3 - "$list" "$limit" "$tests" $files <<'PYTHON'
import os, re, signal, subprocess, sys, time

list_only, limit, tests = sys.argv[1] == "1", int(sys.argv[2]), sys.argv[3]
files = [f for f in sys.argv[4:] if os.path.isfile(f)]

def mutants_of(line):
    """(description, new line) for each fault this line can take."""
    code = line.split("//")[0]
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "static_assert", "namespace", "}")) or '"' in code:
        return []
    out = []
    def each(pattern, replacement, what):
        for m in re.finditer(pattern, code):
            new = code[:m.start()] + m.expand(replacement) + code[m.end():]
            out.append((f"{what}: {m.group(0).strip()} -> {m.expand(replacement).strip()}", new + line[len(code):]))
    # Binary operators stand between spaces (the project's format); template brackets do not.
    each(r" < ", " <= ", "comparison by one")
    each(r" <= ", " < ", "comparison by one")
    each(r" > ", " >= ", "comparison by one")
    each(r" >= ", " > ", "comparison by one")
    each(r" == ", " != ", "condition inverted")
    each(r" != ", " == ", "condition inverted")
    each(r"\bif \((.*)\)(\s*\{?\s*)$", r"if (!(\1))\2", "condition inverted")
    for m in re.finditer(r"(?<![\w.'x])(\d+)(?![\w.])", code):
        new = code[:m.start()] + str(int(m.group(1)) + 1) + code[m.end():]
        out.append((f"constant: {m.group(1)} -> {int(m.group(1)) + 1}", new + line[len(code):]))
    m = re.match(r"^(\s*)([A-Za-z_][\w:.\->]*\(.*\));\s*$", code)
    if m and not stripped.startswith(("return", "case", "default")) and m.group(2).count("(") == m.group(2).count(")"):
        out.append(("statement removed: " + stripped, m.group(1) + ";\n"))
    for m in re.finditer(r"\b([A-Za-z_]\w*)\(([^(),\s]+), ([^(),\s]+)\)", code):
        if m.group(1) in ("if", "while", "for", "switch", "static_cast", "reinterpret_cast", "sizeof"):
            continue
        new = code[:m.start()] + f"{m.group(1)}({m.group(3)}, {m.group(2)})" + code[m.end():]
        out.append((f"arguments swapped: {m.group(0)}", new + line[len(code):]))
    for a, b in (("__cdecl", "__stdcall"), ("__stdcall", "__cdecl"), ("__thiscall", "__fastcall")):
        if a in code:
            out.append((f"calling convention: {a} -> {b}", line.replace(a, b, 1)))
    return out

mutants = []
for path in files:
    lines = open(path, encoding="utf-8").readlines()
    for number, line in enumerate(lines, 1):
        for what, new in mutants_of(line):
            if new != line:
                mutants.append((path, number, what, new))
if limit:
    # An even spread over the files rather than the first few.
    step = max(1, len(mutants) // limit)
    mutants = mutants[::step][:limit]
if list_only:
    for path, number, what, _ in mutants:
        print(f"{path}:{number}: {what}")
    print(f"{len(mutants)} mutants")
    sys.exit(0)

originals = {}
def restore(*_):
    for path, text in originals.items():
        open(path, "w", encoding="utf-8").write(text)
    originals.clear()
for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    signal.signal(sig, lambda *a: (restore(), sys.exit(130)))

def run(command, timeout):
    try:
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1

ctest = ["ctest", "--test-dir", "build", "-j2", "--stop-on-failure", "--timeout", "600"]
if tests:
    ctest += ["-R", tests]
killed, survived, stillborn = 0, [], 0
started = time.time()
try:
    for i, (path, number, what, new) in enumerate(mutants, 1):
        text = open(path, encoding="utf-8").read()
        originals[path] = text
        lines = text.splitlines(keepends=True)
        lines[number - 1] = new
        open(path, "w", encoding="utf-8").write("".join(lines))
        if run(["cmake", "--build", "build", "-j2"], 900) != 0:
            stillborn += 1
            verdict = "stillborn"
        elif run(ctest, 3600) != 0:
            killed += 1
            verdict = "killed"
        else:
            survived.append(f"{path}:{number}: {what}")
            verdict = "SURVIVED"
        restore()
        print(f"[{i}/{len(mutants)}] {verdict}: {path}:{number}: {what}", flush=True)
finally:
    restore()
    run(["cmake", "--build", "build", "-j2"], 900)

counted = killed + len(survived)
print(f"\n{len(mutants)} mutants, {stillborn} stillborn, {killed} killed, {len(survived)} survived "
      f"in {time.time() - started:.0f} s")
for line in survived:
    print("survived: " + line)
if counted:
    print(f"score: {100.0 * killed / counted:.1f}% of {counted} mutants that built")
PYTHON
