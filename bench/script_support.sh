# Shared by the benchmark scripts (sourced, not run): the programs a script needs are checked, a
# scratch folder and the processes it starts are cleaned up when it ends, and the demo engine is
# started and its origin read.

# Exits with status 2 naming the first of the given programs that is missing.
require_programs() {
  local program
  for program in "$@"; do
    [[ -x "$program" ]] || command -v "$program" >/dev/null || {
      echo "missing: $program" >&2
      exit 2
    }
  done
}

# Makes $scratch, a new folder named after $1, and removes it, with every process passed to
# kill_on_exit, when the script ends.
exit_pids=()
make_scratch() {
  scratch="$(mktemp -d "${TMPDIR:-/tmp}/korvath-$1.XXXXXX")"
  trap clean_up_on_exit EXIT
}

kill_on_exit() { exit_pids+=("$1"); }

# For a process the script has already stopped and waited for: its number may soon belong to
# another program.
forget_on_exit() {
  local pid kept=()
  for pid in "${exit_pids[@]}"; do
    [[ "$pid" == "$1" ]] || kept+=("$pid")
  done
  exit_pids=("${kept[@]}")
}

clean_up_on_exit() {
  local pid
  for pid in "${exit_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}

# Starts $engine with the given options; sets $engine_pid and $origin, the address it prints
# first. A file of its own per start: an earlier one could still be read before the new engine
# opens it.
start_engine() {
  local out
  out="$(mktemp "$scratch/engine.XXXXXX")"
  "$engine" "$@" >"$out" 2>>"$scratch/engine.err" &
  engine_pid=$!
  kill_on_exit "$engine_pid"
  origin=
  for _ in $(seq 200); do
    IFS= read -r origin <"$out" || true
    [[ -n "$origin" ]] && return 0
    sleep 0.1
  done
  echo "the demo engine did not start" >&2
  cat "$scratch/engine.err" >&2
  exit 1
}

stop_engine() {
  kill "$engine_pid"
  wait "$engine_pid" 2>/dev/null || true
  forget_on_exit "$engine_pid"
}
