# Sourced by the scripts that start the editor under Xvfb.

# Prints the id of the window titled exactly $1 once it appears (within 10
# seconds); prints nothing and lists the Zelvo windows on stderr otherwise.
wait_for_window() {
  local want=$1 id=""
  for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree | grep -F "\"$want\": (" | awk '{print $1}' | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { xwininfo -root -tree | grep -i zelvo >&2 || true; }
  echo "$id"
}

# Like wait_for_window, for a window that is shown: the program's own
# hidden windows (the 1x1 group leader) carry its title too.
wait_for_shown_window() {
  local want=$1 id="" w
  for _ in $(seq 1 100); do
    for w in $(xwininfo -root -tree | grep -F "\"$want\": (" | awk '{print $1}'); do
      xwininfo -id "$w" 2>/dev/null | grep -q "IsViewable" && { id=$w; break; }
    done
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { xwininfo -root -tree | grep -i zelvo >&2 || true; }
  echo "$id"
}
