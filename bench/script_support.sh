# Shared by the benchmark scripts (sourced, not run): the programs a script needs are checked, a
# scratch folder and the processes it starts are cleaned up when it ends, and the demo engine is
# started and its origin read; tinyproxies give a script client addresses of their own.

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
# opens it. Its standard error goes to $engine_log when set, else to $scratch/engine.err.
start_engine() {
  local out
  out="$(mktemp "$scratch/engine.XXXXXX")"
  "$engine" "$@" >"$out" 2>>"${engine_log:-$scratch/engine.err}" &
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

# Proxies for the scripts that measure through several client addresses.
tinyproxy=/usr/bin/tinyproxy
proxy_pids=()

# Starts a tinyproxy listening on 127.0.0.1 whose connections leave from $1; sets $proxy_port.
# The port is one that nothing answered on a moment ago; tinyproxy ends at once when another
# program took it meanwhile, and the next port is tried.
start_proxy() {
  local bind=$1 config
  for _ in $(seq 50); do
    proxy_port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && continue
    config="$scratch/tinyproxy-$bind.conf"
    printf '%s\n' "Port $proxy_port" "Listen 127.0.0.1" "Bind $bind" "Allow 127.0.0.1" \
      "Timeout 30" "MaxClients 100" "LogLevel Critical" >"$config"
    "$tinyproxy" -d -c "$config" >>"$scratch/tinyproxy.err" 2>&1 &
    local pid=$!
    kill_on_exit "$pid"
    proxy_pids+=("$pid")
    for _ in $(seq 100); do
      (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && return 0
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
  done
  echo "tinyproxy did not start for $bind" >&2
  cat "$scratch/tinyproxy.err" >&2
  exit 1
}

stop_proxies() {
  local pid
  for pid in "${proxy_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    forget_on_exit "$pid"
  done
  proxy_pids=()
}
