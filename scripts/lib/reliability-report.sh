#!/usr/bin/env bash
# Turns the fault records of a test run (tab-separated: class, case, outcome, nothing lost,
# seconds, peak memory growth in KiB) into docs/RELIABILITY.md on stdout.
#
#   scripts/lib/reliability-report.sh RECORDS > docs/RELIABILITY.md
set -euo pipefail
records=$(mktemp)
trap 'rm -f "$records"' EXIT
# Grouped by fault class, each class in the order its cases ran.
sort -s -t $'\t' -k1,1 "$1" >"$records"

cat <<HEAD
# Reliability report

Written by \`scripts/test\` from the fault cases its test run tried ($(date -u +%Y-%m-%d),
$(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)). Each case is one
attempt of the update window (or of the installed program, for the kills) against a scripted
server or a faulty machine. "Nothing lost" means: afterwards the working folder holds the
complete old player (or, after an install, the complete new one with the old as
\`Kolvarin.bak\`), it runs, and no partial download is left behind.

The hostile-server cases run with the limits scaled down so that the matrix takes about a
minute: the version check waits 3 s for a piece of the answer (the updater: 30 s) and 5 s in
all (60 s); the download counts less than 1 KiB within 3 s (60 s) as a stall. Peak memory is the
growth of the test process's resident peak over the attempt.

## Summary

| fault class | cases tried | outcome | cases | nothing lost | slowest (s) | peak memory growth (KiB) |
|---|---|---|---|---|---|---|
HEAD

awk -F'\t' '
  {
    key = $1 SUBSEP $3
    if (!(key in count)) { order[++n] = key }
    count[key]++
    tried[$1]++
    if ($4 != "yes") lost[key]++
    if ($5 + 0 > slow[key]) slow[key] = $5 + 0
    if ($6 + 0 > peak[key]) peak[key] = $6 + 0
    if ($6 < 0) nopeak[key] = 1
  }
  END {
    for (i = 1; i <= n; i++) {
      split(order[i], part, SUBSEP)
      printf "| %s | %d | %s | %d | %s | %.2f | %s |\n", part[1], tried[part[1]], part[2],
        count[order[i]], (order[i] in lost) ? "NO (" lost[order[i]] ")" : "yes", slow[order[i]],
        (order[i] in nopeak) ? "—" : peak[order[i]] + 0
    }
  }' "$records"

cat <<MID

## Every case

| fault class | case | outcome | nothing lost | seconds | peak memory growth (KiB) |
|---|---|---|---|---|---|
MID
awk -F'\t' '{ printf "| %s | %s | %s | %s | %.2f | %s |\n", $1, $2, $3, $4, $5, ($6 < 0 ? "—" : $6) }' "$records"
