#!/usr/bin/env bash
# Mutation testing, for developers (not part of CI): seeds one fault at a time into the
# plug-in's sources, builds, runs the tests, puts the file back, and prints every mutant the
# tests did not kill, with the score.
#
#   bash scripts/mutate.sh [--files 'src/core/*.cpp'] [--limit N] [--from N] [--batch N] [--only FILE] [--list]
#
# Faults seeded: a comparison changed by one (< and <=, > and >=), a condition inverted
# (== and !=, if (x) and if (!(x))), a statement removed, an integer constant changed by one,
# the two arguments of a call swapped, and a calling convention changed. A mutant that does
# not build is stillborn and not counted. The mutants are taken in a shuffled but fixed
# order, so the score printed after each batch is that of a fair sample of them all. --only
# takes the mutants named in FILE, one "path:line: fault" a line (as printed for survivors),
# to see whether new tests kill them. --from N starts at the Nth mutant, numbered as in a whole
# run, so that a long run can be made in parts.
#
# Each mutant's build (the unit tests and the plug-in's tests as DLLs, and voxa.asi)
# is kept in a folder of its own, and one runner process loads a batch of them one after
# another: under an emulator, starting a Wine process costs far more than the tests. The unit
# tests run for every mutant, the plug-in's tests (under pl_PL) for those the unit tests did
# not kill; a crash or a hang kills the mutant. After a crash the runner goes on only while the
# unmutated build still passes in it; otherwise a new runner takes the rest. Builds of the
# next batch go on while a batch runs. The tree is put back however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
files='src/*/*.cpp src/*/*.h'
limit=0
from=1
batch=30
only=''
list=0
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files="$2"; shift 2 ;;
    --limit) limit="$2"; shift 2 ;;
    --from) from="$2"; shift 2 ;;
    --batch) batch="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --list) list=1; shift ;;
    *) echo "usage: bash scripts/mutate.sh [--files GLOB] [--limit N] [--from N] [--batch N] [--only FILE] [--list]" >&2; exit 2 ;;
  esac
done

[ "$list" = 1 ] || source scripts/session.sh

# shellcheck disable=SC2086
python3 - "$list" "$limit" "$batch" "$only" "$from" $files <<'PYTHON'
import os, random, re, shutil, signal, subprocess, sys, threading, time

list_only, limit, batch_size, only = sys.argv[1] == "1", int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
start = max(1, int(sys.argv[5]))
files = [f for f in sys.argv[6:] if os.path.isfile(f)]

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
random.Random(19).shuffle(mutants)
if only:
    named = {line.strip().removeprefix("survived: ") for line in open(only)}
    mutants = [m for m in mutants if f"{m[0]}:{m[1]}: {m[2]}" in named]
if limit:
    mutants = mutants[:limit]
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
runners = []
def stop(*_):
    # Stopped from outside: the tree back first, then the runner; no waiting for the batch.
    restore()
    for process in runners:
        process.kill()
    print("mutate: stopped; the tree is as it was", flush=True)
    os._exit(130)
for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    signal.signal(sig, stop)

def run(command, timeout):
    try:
        # Builds give way to the runner: the tests of the last batch are what everything waits for.
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout,
                              preexec_fn=lambda: os.nice(10)).returncode
    except subprocess.TimeoutExpired:
        return -1

# voxa-check.exe is the tree's own: the plug-in's tests read only its version.
targets = ["unit_tests_module", "plugin_tests_module", "voxa"]
shipped = ["unit_tests_module.dll", "plugin_tests_module.dll", "voxa.asi", "voxa-check.exe", "examples"]
store = os.path.abspath("build/mutants")
runner = os.path.abspath("build/bin/mutant_runner.exe")

def build_into(folder):
    """Builds the tree as it stands into its own folder; False when it does not build."""
    if run(["cmake", "--build", "build", "-j2", "--target"] + targets, 900) != 0:
        return False
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in shipped:
        source = os.path.join("build/bin", name)
        (shutil.copytree if os.path.isdir(source) else shutil.copy2)(source, os.path.join(folder, name))
    return True

def windows_path(path):
    return "Z:" + path.replace("/", "\\")

def run_batch(folders, module, locale):
    """Runs one test DLL of each folder; returns {folder: True if killed}. A runner that crashes
    or hangs kills the mutant it was running, and a new runner goes on after it."""
    verdicts, left = {}, list(folders)
    while left:
        log = os.path.join(store, "runner.log")
        env = dict(os.environ, VOXA_TEST_MODULE=module)
        if locale:
            env["LC_ALL"] = locale
        env["VOXA_SANITY_FOLDER"] = windows_path(baseline)
        with open(log, "w") as out:
            process = subprocess.Popen(["wine", runner, "--gtest_brief=1", "--gtest_fail_fast", "--"] + [windows_path(f) for f in left],
                                       stdout=out, stderr=subprocess.STDOUT, env=env)
        runners[:] = [process]
        current, last, seen = None, time.time(), 0
        while process.poll() is None:
            time.sleep(1)
            lines = [l for l in open(log, errors="replace").read().splitlines() if l.startswith("voxa-mutant: ")]
            if len(lines) > seen:
                seen, last = len(lines), time.time()
            # A mutant that runs for 5 minutes (10 before the first, Wine starting) hangs.
            if time.time() - last > (300 if seen else 600):
                process.kill()
                process.wait()
        for line in open(log, errors="replace").read().splitlines():
            parts = line.split()
            if line.startswith("voxa-mutant: start "):
                current = parts[2]
            elif line.startswith("voxa-mutant: done "):
                verdicts[parts[2]] = parts[3] != "0"
                current = None
        if current is not None:
            verdicts[current] = True
        done = {windows_path(f) for f in left} & set(verdicts)
        left = [f for f in left if windows_path(f) not in done]
    return {f: verdicts[windows_path(f)] for f in folders}

def judge(folders):
    killed = run_batch(folders, "unit_tests_module.dll", None)
    rest = [f for f in folders if not killed[f]]
    if rest:
        killed.update(run_batch(rest, "plugin_tests_module.dll", "pl_PL.UTF-8"))
    return killed

os.makedirs(store, exist_ok=True)
if run(["cmake", "--build", "build", "-j2", "--target", "mutant_runner"], 900) != 0:
    sys.exit("mutate: the runner does not build")
baseline = os.path.join(store, "baseline")
if not build_into(baseline) or judge([baseline])[baseline]:
    sys.exit("mutate: the tests fail without any mutant: nothing to measure")

killed, survived, stillborn = 0, [], 0
started = time.time()
results, worker = {}, None
def report(batch):
    global killed
    for index, folder in batch:
        path, number, what, _ = mutants[index]
        if results[folder]:
            killed += 1
        else:
            survived.append(f"{path}:{number}: {what}")
        print(f"[{index + 1}/{len(mutants)}] {'killed' if results[folder] else 'SURVIVED'}: {path}:{number}: {what}", flush=True)
        shutil.rmtree(folder, ignore_errors=True)
    counted = killed + len(survived)
    if counted:
        print(f"so far: {killed} of {counted} killed ({100.0 * killed / counted:.1f}%), {stillborn} stillborn, "
              f"{time.time() - started:.0f} s", flush=True)
try:
    pending = None
    for first in range(start - 1, len(mutants), batch_size):
        batch = []
        for index in range(first, min(first + batch_size, len(mutants))):
            path, number, what, new = mutants[index]
            text = open(path, encoding="utf-8").read()
            originals[path] = text
            lines = text.splitlines(keepends=True)
            lines[number - 1] = new
            open(path, "w", encoding="utf-8").write("".join(lines))
            folder = os.path.join(store, str(index + 1))
            if build_into(folder):
                batch.append((index, folder))
            else:
                stillborn += 1
                print(f"[{index + 1}/{len(mutants)}] stillborn: {path}:{number}: {what}", flush=True)
            restore()
        if worker:
            worker.join()
            report(pending)
        pending = batch
        worker = threading.Thread(target=lambda b=batch: results.update(judge([f for _, f in b])) if b else None,
                                  daemon=True)
        worker.start()
    if worker:
        worker.join()
        report(pending)
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
