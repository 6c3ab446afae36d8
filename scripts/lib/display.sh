# Sourced by scripts/test and scripts/demo.
#
# start_private_display WORKDIR: starts Xvfb on a free display number, exports DISPLAY and a
# private XDG_RUNTIME_DIR below WORKDIR, and sets XVFB_PID. Returns non-zero (after printing
# Xvfb's log) when the server does not come up within 10 s.
start_private_display() {
  local work=$1
  # -noreset: a server that resets when its last client leaves refuses the next one meanwhile.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    sleep 0.1
  done
  if [[ ! -s $work/display ]]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=:$(tr -d '[:space:]' <"$work/display")
  unset XAUTHORITY WAYLAND_DISPLAY
  mkdir -p -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR=$work/runtime
}
