# Sourced by the scripts that start the editor under Xvfb.

# Prints the id of the window titled exactly $1 once it appears (within 10
# seconds); prints nothing and lists the Zelvo windows on stderr otherwise.
wait_for_window() {
  local want=$1 id=""
  for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree | grep -F "\"$want\"" | awk '{print $1}' | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { xwininfo -root -tree | grep -i zelvo >&2 || true; }
  echo "$id"
}
