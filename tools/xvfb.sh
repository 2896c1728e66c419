# Sourced: starts a private Xvfb on a free display and exports DISPLAY; stops it on exit.
cifrona_start_xvfb() {
  local n=90
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  CIFRONA_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  trap 'kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT
}
