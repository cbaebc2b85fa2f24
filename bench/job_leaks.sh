#!/usr/bin/env bash
# Leak checks of whole jobs against the demo engine, interval 0:
#   1. LeakSanitizer (AddressSanitizer build): a job of 4,000 ads, every card answered;
#   2. LeakSanitizer: the error paths — cards answered 404, a query the engine always answers
#      with its nothing-found notice (loaded again until the repeat count), a query redirected
#      to the ads-only listing whose ads carry no contact links;
#   3. LeakSanitizer: a job of 4,000 ads stopped by Ctrl+C after its 500th card;
#   4. valgrind memcheck (release build): a job of 300 ads;
#   5. LeakSanitizer: a job of 4,000 ads started from the window on the offscreen platform, when
#      the sanitizer build has the benchmarks.
# A run counts as clean when the sanitizer reports nothing, or when valgrind finds no block
# "definitely lost" or "indirectly lost" and no memory error (Qt and OpenSSL keep reachable
# blocks until exit, which is not a leak).
# Usage: bench/job_leaks.sh [ASAN_BUILD_DIR] [RELEASE_BUILD_DIR]
#        (defaults build/asan and build/release: korvath-cli in the first, korvath-cli and
#        korvath-demo-engine in the second)
set -euo pipefail
cd "$(dirname "$0")/.."

asan_build="$(realpath -m "${1:-build/asan}")"
release_build="$(realpath -m "${2:-build/release}")"
asan_cli="$asan_build/bin/korvath-cli"
release_cli="$release_build/bin/korvath-cli"
engine="$release_build/bin/korvath-demo-engine"

source bench/script_support.sh
require_programs "$asan_cli" "$release_cli" "$engine" valgrind
make_scratch leaks

# A program folder and a working folder for run $1 with the queries that follow.
prepare() {
  local run=$1
  shift
  mkdir -p "$scratch/$run/program" "$scratch/$run/work"
  printf '%s\r\n' "$@" >"$scratch/$run/program/keywords.txt"
}

failures=0
run_started=
report() {
  local run=$1 verdict=$2$status_note
  printf '%-10s %6.1f s  %s\n' "$run" "$(echo "$(date +%s.%N) - $run_started" | bc)" "$verdict"
  [[ "$verdict" == clean* && -z "$status_note" ]] || failures=$((failures + 1))
}

# Sanitizer findings in the report files of run $1, or "clean" and the rows saved.
asan_verdict() {
  local run=$1 findings
  findings=$(cat "$scratch/$run"/asan.* 2>/dev/null | grep -c -E '^(==[0-9]+==ERROR|.*runtime error:)' || true)
  if ((findings > 0)); then
    echo "$findings finding(s):"
    cat "$scratch/$run"/asan.* | grep -E 'ERROR|runtime error|SUMMARY' | head -20
  else
    echo "clean"
  fi
}

# Runs the sanitizer build's job in the folders of run $1 with the given options.
run_asan_job() {
  local run=$1
  shift
  run_started=$(date +%s.%N)
  (cd "$scratch/$run/work" &&
    ASAN_OPTIONS="detect_leaks=1:log_path=$scratch/$run/asan" \
      UBSAN_OPTIONS="print_stacktrace=1:log_path=$scratch/$run/asan" \
      exec "$asan_cli" run --dir "$scratch/$run/program" --origin "$origin" --interval 0 "$@" \
      >"$scratch/$run/job.log" 2>"$scratch/$run/job.err") &
  job_pid=$!
  kill_on_exit "$job_pid"
}

# Waits for the job; a wrong exit status (a sanitizer's own is 1 or 23) makes the run not clean.
status_note=
finish_job() {
  local run=$1 expected=$2 status=0
  wait "$job_pid" || status=$?
  status_note=
  if ((status != expected)); then
    status_note="; exit status $status, not $expected"
    echo "$run: the job ended with status $status, not $expected" >&2
    tail -5 "$scratch/$run/job.err" "$scratch/$run/job.log" >&2
  fi
}

rows_saved() {
  local file=$1
  [[ -f "$file" ]] || {
    echo 0
    return
  }
  echo $(($(grep -c $'\r$' "$file") - 1))
}

echo "korvath-cli: $asan_cli (LeakSanitizer), $release_cli (valgrind)"
start_engine --pages 20 --ads 50 --no-missing-cards
answering="$origin"
start_engine --pages 2 --ads 30
missing_cards="$origin"

run=full
prepare "$run" "пластиковые окна" "ремонт квартир"
origin="$answering"
run_asan_job "$run" --regions "Москва=213,Санкт-Петербург=2"
finish_job "$run" 0
report "$run" "$(asan_verdict "$run"); $(rows_saved "$scratch/$run/program/current.csv") rows saved"

run=errors
prepare "$run" "пластиковые окна" "ничего не найдено" "услуги без контактов"
origin="$missing_cards"
run_asan_job "$run" --regions "Москва=213" --retry 3
finish_job "$run" 0
report "$run" "$(asan_verdict "$run"); $(rows_saved "$scratch/$run/program/current.csv") rows saved"

run=stopped
prepare "$run" "пластиковые окна" "ремонт квартир"
origin="$answering"
run_asan_job "$run" --regions "Москва=213,Санкт-Петербург=2"
cards() {
  local n
  n=$(grep -c 'Карточка загружена' "$scratch/$run/job.log" 2>/dev/null || true)
  echo "${n:-0}"
}
until (($(cards) >= 500)); do
  kill -0 "$job_pid" 2>/dev/null || break
  sleep 0.2
done
kill -INT "$job_pid"
finish_job "$run" 130
report "$run" "$(asan_verdict "$run"); stopped after $(cards) cards"

run=valgrind
prepare "$run" "пластиковые окна"
run_started=$(date +%s.%N)
(cd "$scratch/$run/work" &&
  exec valgrind --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --num-callers=30 \
    --log-file="$scratch/$run/valgrind.txt" \
    "$release_cli" run --dir "$scratch/$run/program" --origin "$answering" --interval 0 \
    --regions "Москва=213" --limit 300 >"$scratch/$run/job.log" 2>"$scratch/$run/job.err") &
job_pid=$!
kill_on_exit "$job_pid"
finish_job "$run" 0
lost=$(grep -E 'definitely lost|indirectly lost' "$scratch/$run/valgrind.txt" | sed 's/^==[0-9]*== *//' |
  tr '\n' ';' || true)
errors=$(sed -n 's/^==[0-9]*== ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$scratch/$run/valgrind.txt")
if [[ "$errors" == 0 ]]; then
  verdict="clean (${lost:-no leak summary: nothing lost}) 0 errors"
else
  verdict="$errors error(s): $lost"
  grep -E -A12 'definitely lost in|indirectly lost in|Invalid|uninitialised' \
    "$scratch/$run/valgrind.txt" | head -60 >&2
fi
report "$run" "$verdict; $(rows_saved "$scratch/$run/program/current.csv") rows saved"

# The window's job, when the sanitizer build has the benchmarks (-DKORVATH_BUILD_BENCH=ON): the
# program starts its own demo engine from beside itself.
window_bench="$asan_build/bin/window_load_bench"
if [[ -x "$window_bench" && -x "$asan_build/bin/korvath-demo-engine" ]]; then
  run=window
  mkdir -p "$scratch/$run"
  run_started=$(date +%s.%N)
  (cd "$scratch/$run" &&
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="detect_leaks=1:log_path=$scratch/$run/asan" \
      UBSAN_OPTIONS="print_stacktrace=1:log_path=$scratch/$run/asan" \
      exec "$window_bench" 4000 >"$scratch/$run/job.log" 2>"$scratch/$run/job.err") &
  job_pid=$!
  kill_on_exit "$job_pid"
  finish_job "$run" 0
  report "$run" "$(asan_verdict "$run"); $(grep -o 'current.csv: [0-9]* rows' "$scratch/$run/job.log")"
else
  echo "window     skipped: no window_load_bench and korvath-demo-engine in $asan_build"
fi

if ((failures > 0)); then
  echo "$failures run(s) not clean" >&2
  exit 1
fi
