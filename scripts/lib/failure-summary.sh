#!/usr/bin/env bash
# failure-summary.sh RUN LOG: reads the output of one ctest run (with --output-on-failure) and
# prints one line per failed test: the run's name, the test, and the first sanitizer report's
# summary line in its output (else its first GoogleTest failure line, else ctest's verdict).
# Prints nothing when no test failed.
set -euo pipefail
run=$1
log=$2
[[ -f $log ]] || exit 0
awk -v run="$run" '
  function flush() {
    if (test != "") {
      why = summary != "" ? summary : (failure != "" ? failure : verdict)
      printf "%s: %s: %s\n", run, test, why
    }
    test = ""; summary = ""; failure = ""; verdict = ""
  }
  # ctest prints a status line as each test ends, its output (on failure) right after it.
  /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
    flush()
    if ($0 !~ / Passed +[0-9.]+ sec/ && $0 !~ /\*\*\*Skipped|Not Run|Disabled/) {
      line = $0
      sub(/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: /, "", line)
      test = line
      sub(/ .*/, "", test)
      verdict = line
      sub(/^[^ ]+ \.*/, "", verdict)
      gsub(/^ +| +$/, "", verdict)
    }
    next
  }
  test != "" && summary == "" && /^SUMMARY: [A-Za-z]+Sanitizer: / { summary = $0; next }
  test != "" && failure == "" && /: Failure$/ { getline detail; failure = $0 " " detail; next }
  # The closing list of the run ends the last test output.
  /^The following tests FAILED:/ || /tests passed, [0-9]+ tests failed/ { flush() }
  END { flush() }
' "$log"
