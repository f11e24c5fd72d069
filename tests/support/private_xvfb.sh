# Sourced by the test scripts: start_private_xvfb WORKDIR [WIDTHxHEIGHTxDEPTH] starts an Xvfb of
# this process's own and sets DISPLAY and xvfb_pid; it returns non-zero when none could start.
#
# Parallel tests must never start two servers on one display number: the one that loses exits and
# on its way out deletes the winner's socket, after which the winner's clients cannot connect. Nor
# may a server pick its number itself (-displayfd without a number): it probes every taken number
# on its way, and a client connecting to one of those at that moment is refused. So each number is
# first reserved with a lock on /tmp/.clavitap-X<n>.lock, held on file descriptor 9 for as long as
# the calling process lives; tests/linux/keys/xvfb_server.cpp takes the same locks.
#
# -noreset: by default the server resets when its last client leaves, and a client connecting in
# that moment (a window manager starting while a probe disconnects) is refused.
start_private_xvfb() {
  local work=$1 screen=${2:-1024x768x24} first n i
  first=$(( $(od -An -N2 -tu2 /dev/urandom) % 110 ))
  for i in $(seq 0 109); do
    n=$(( 90 + (first + i) % 110 ))
    exec 9>"/tmp/.clavitap-X$n.lock" || continue
    if ! flock -n 9 || [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then
      exec 9>&-
      continue
    fi
    : >"$work/displayfd"
    # The server writes its display number to fd 3 once it accepts connections.
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset -displayfd 3 3>"$work/displayfd" \
      </dev/null >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local tries=0
    while ! grep -q . "$work/displayfd" && kill -0 "$xvfb_pid" 2>/dev/null && [ $tries -lt 200 ]; do
      sleep 0.05
      tries=$(( tries + 1 ))
    done
    if grep -q . "$work/displayfd" && kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    kill -KILL "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
    exec 9>&-
  done
  return 1
}
