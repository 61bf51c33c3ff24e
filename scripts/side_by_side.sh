# Runs commands side by side, at most side_by_side_slots at a time (default: one per
# processor). Sourced by the scripts that use it:
#   side_by_side_start NAME LOG COMMAND...  starts COMMAND with its output in LOG, once a slot
#                                           is free
#   side_by_side_wait                       waits for every command started
# The caller defines on_finished NAME STATUS, called as each command ends.
declare -A side_by_side_names=()
side_by_side_slots="${side_by_side_slots:-$(nproc)}"

side_by_side_finish_one() {
  local pid status=0
  wait -n -p pid || status=$?
  local name="${side_by_side_names[$pid]}"
  unset "side_by_side_names[$pid]"
  on_finished "$name" "$status"
}

side_by_side_start() {
  local name="$1" log="$2"
  shift 2
  while [ "${#side_by_side_names[@]}" -ge "$side_by_side_slots" ]; do side_by_side_finish_one; done
  "$@" >"$log" 2>&1 &
  side_by_side_names[$!]="$name"
}

side_by_side_wait() {
  while [ "${#side_by_side_names[@]}" -gt 0 ]; do side_by_side_finish_one; done
}
