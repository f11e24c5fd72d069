# Sourced by the benchmarks that hold keys (held_keys_load.sh, peers/measure.sh). On the X display
# in DISPLAY, with the window that is to get the keys already focused:
#   hold_ten_keys PROGRAM_PID "SERVER_PID..." SECONDS
# holds ten letter keys down (two seconds for the sounds to reach their steady state first), then
# SECONDS more, and sets held_program and held_server (each one's share of one core over those
# SECONDS, in %; the server's processes added up) and held_rss_before and held_rss_after (the
# program's resident memory, kB).
# release_held_keys lets them go; call it from an exit trap too.
held_key_names=(a s d f g h j k l semicolon)

held_ticks() {  # "PID..." -> CPU ticks of all of them
  local pid ticks=0
  for pid in $1; do ticks=$((ticks + $(awk '{print $14 + $15}' "/proc/$pid/stat"))); done
  echo "$ticks"
}
held_rss() { awk '$1 == "VmRSS:" {print $2}' "/proc/$1/status"; }

release_held_keys() { xdotool keyup "${held_key_names[@]}" 2>/dev/null || true; }

hold_ten_keys() {
  local program=$1 server=$2 seconds=$3 hz program_before server_before
  hz=$(getconf CLK_TCK)
  xdotool keydown "${held_key_names[@]}"
  sleep 2
  program_before=$(held_ticks "$program")
  server_before=$(held_ticks "$server")
  held_rss_before=$(held_rss "$program")
  sleep "$seconds"
  held_program=$(awk -v d=$(($(held_ticks "$program") - program_before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "%.1f", 100 * d / hz / s}')
  held_server=$(awk -v d=$(($(held_ticks "$server") - server_before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN {printf "%.1f", 100 * d / hz / s}')
  held_rss_after=$(held_rss "$program")
  release_held_keys
}
