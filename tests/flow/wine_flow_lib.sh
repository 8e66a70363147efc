# Shell helpers for driving the stub's window under Wine on an X display,
# sourced by tests/flow/install_wine.sh and scripts/demo.sh.
#   top       the source tree (set before sourcing)
#   current_out  the stub's standard output, for out_has / wait_out

run="$top/scripts/wine-run.sh"

# The prefix LUMEVIA_WINEPREFIX set up and made this shell's, on this display.
flow_prefix() {
  "$run" --init
  export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all LC_ALL=C.UTF-8
  # The prefix's wineserver may belong to another (gone) display.
  wineserver -k 2>/dev/null || true
  drive_c="$WINEPREFIX/drive_c"
  program_files="$drive_c/Program Files/Lumevia"
  temp_dir=$(find "$drive_c/users" -maxdepth 4 -type d -name Temp | head -1)
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumevia_is1'
  [[ -n $temp_dir ]]
}

# No product, no partial download, no uninstall key.
# A product an earlier case started may still be ending after its window
# closed; the next stub would find it running (box 3). taskkill fails once
# no such process is left.
flow_end_product() {
  for _ in $(seq 50); do
    "$run" taskkill /IM Velscape.exe /F >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}
flow_remove_product() {
  flow_end_product || echo "warning: Velscape.exe would not end" >&2
  rm -rf "$program_files" "$temp_dir/Lumevia_Setup" "$temp_dir"/Lumevia_Setup_*.log
  "$run" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
}

out_has() { tr -d '\r' <"$current_out" | grep -q -E -- "$1"; }
wait_out() {  # wait_out SECONDS PATTERN
  local end=$((SECONDS + $1))
  until out_has "$2"; do [[ $SECONDS -lt $end ]] || return 1; sleep 0.1; done
}

xwin() {  # xwin CLASS TITLE: the X window of a shown Wine window, found by either name
  local id end=$((SECONDS + 20))
  until id=$( { xdotool search --onlyvisible --classname "$1"; xdotool search --onlyvisible --name "^$2\$"; } \
               2>/dev/null | head -1) && [[ -n $id ]]; do
    [[ $SECONDS -lt $end ]] || return 1
    sleep 0.2
  done
  echo "$id"
}
click() {  # click WINDOW X Y (window coordinates)
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.2
  xdotool click 1
  sleep 0.4
}
