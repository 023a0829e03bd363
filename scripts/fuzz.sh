#!/usr/bin/env bash
# Fuzzes the checker's reading of lang.ini bytes natively, with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, starting from the seed corpus; a finding stops the run and fails.
#   scripts/fuzz.sh [--seconds N]     (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=600
[ "${1:-}" = --seconds ] && seconds=$2
bash scripts/deps.sh
out=build/fuzz
mkdir -p "$out/corpus" "$out/findings"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -D_GLIBCXX_ASSERTIONS -Isrc -Itools/voxa-check \
  tools/voxa-check/fuzz/lang_ini_fuzz.cpp tools/voxa-check/windows_reading.cpp tools/voxa-check/rules.cpp \
  -o "$out/lang_ini_fuzz"
# The seeds: the test files and the templates' lang.ini files; what a run adds stays for the next.
cp tests/tools/lang_ini_corpus/* "$out/corpus/"
for ini in examples/VOXA/*/lang.ini; do cp "$ini" "$out/corpus/template-$(basename "$(dirname "$ini")").ini"; done
echo "fuzz: reading lang.ini bytes for $seconds s (findings go to $out/findings/)"
"$out/lang_ini_fuzz" -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/findings/" "$out/corpus" 2>"$out/fuzz.log" || {
  grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$out/fuzz.log" | head -n 20 >&2
  echo "fuzz: a finding (the whole log: $out/fuzz.log)" >&2
  exit 1
}
grep -E '^stat::number_of_executed_units|^stat::peak_rss' "$out/fuzz.log" | sed 's/^/fuzz: /'
grep -E '#[0-9]+[[:space:]]+DONE' "$out/fuzz.log" | tail -n 1 | sed 's/^/fuzz: /'
