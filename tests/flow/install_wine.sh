#!/usr/bin/env bash
# The installation under Wine on a virtual display, against the fake services
# and the project's signed test package, driven by real mouse input:
#   install_wine.sh stubs/direct/LumeviaSetup.exe PACKAGE_DIR wintool.exe stubs/rounds/LumeviaSetup.exe [CASE...]
# - install click → downloading → verifying → installing → success view; the
#   product starts by itself (NeedStart_flag 1, direct route) and the stub
#   exits 0; the product's files, its uninstall key and the chosen language;
# - unsigned, signed by another publisher, bytes inside or after the
#   certificate table: box 7, nothing installed;
# - valid signature, wrong MD5: installed, "DL013" and an exception report;
# - package host down: box 8; the retry succeeds once it is up;
# - a small drive for the temporary folder: box 11;
# - an installer past its time limit (test clock): box 6;
# - the product already running: box 3;
# - AutoRun=1: three installations in a row, unattended;
# - DLLs named like system ones beside the stub, Wine told to prefer them:
#   the installation succeeds and none of them is loaded.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
if [[ -z ${LUMEVIA_FLOW_DISPLAY_SET:-} ]]; then
  export LUMEVIA_FLOW_DISPLAY_SET=1
  export LUMEVIA_WINEPREFIX="${LUMEVIA_WINEPREFIX:-/var/cache/lumevia/wineprefix}-flow"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
stub=$1 packages=$2 wintool=$3 rounds_stub=$4
shift 4
cases=("$@")
# shellcheck source=wine_flow_lib.sh
. "$here/wine_flow_lib.sh"
flow_prefix || { echo "FAIL: no temporary folder in the Wine prefix" >&2; exit 1; }
work=$(mktemp -d)
server_pid="" pids=() mounted="" old_temp=""
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
restore_temp() {
  [[ -n $old_temp ]] || return 0
  "$run" reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d "$old_temp" /f >/dev/null
  "$run" reg add 'HKCU\Environment' /v TMP /t REG_SZ /d "$old_temp" /f >/dev/null
  old_temp=""
  wineserver -k 2>/dev/null || true
}
cleanup() {
  restore_temp || true
  for c in MESSAGEBOX_UI_Frame ZQ_UI_Frame_642 LumeviaDemoProduct; do tool close "$c" >/dev/null 2>&1 || true; done
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [[ -n $mounted ]] && { rm -f "$WINEPREFIX/dosdevices/s:"; umount "$mounted" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*${fail_note:+ ($($fail_note))}" >&2
  [[ -n ${current_out:-} && -f $current_out ]] && tail -40 "$current_out" | tr -d '\r' >&2
  [[ -n ${current_out:-} && -f $current_out && -n ${LUMEVIA_KEEP_OUT:-} ]] && cp "$current_out" "$LUMEVIA_KEEP_OUT"
  exit 1
}
want() { [[ ${#cases[@]} -eq 0 ]] || [[ " ${cases[*]} " == *" $1 "* ]]; }

# The served folder: the package copies under /pkg/.
mkdir -p "$work/root"
cp "$packages"/Lumevia_Setup*.exe "$work/root/"
# shellcheck source=../fake_services/start.sh
. "$top/tests/fake_services/start.sh"
fake_services_start "$work" || fail "fake services did not start"
rules() { echo "$1" >"$work/rules.json"; sleep 0.3; }
package_rule() {  # package_rule FILE [MORE-RULES]: the download information names FILE
  rules "[{\"path\": \"/queryDownloaderV2\", \"package\": \"$1\"${2:+, $2}}${3:+, $3}]"
}

# A fresh state: no product, no partial download, no uninstall key.
fresh() {
  for c in MESSAGEBOX_UI_Frame ZQ_UI_Frame_642 LumeviaDemoProduct; do tool close "$c" >/dev/null 2>&1 || true; done
  flow_remove_product
  : >"$work/record.jsonl"
}
# A copy of the stub in its own folder with the run options given.
setup() {  # setup NAME OPTIONS...
  local dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "${setup_stub:-$stub}" "$dir/LumeviaSetup.exe"
  printf '[Endpoints]\r\nServiceBase=%s\r\n[Settings]\r\n' "$base" >"$dir/zq_downloader.cfg"
  shift
  for o in "$@"; do printf '%s\r\n' "$o" >>"$dir/zq_downloader.cfg"; done
}
start() {  # start NAME: runs the stub of setup NAME; sets $stub_pid and $current_out
  current_out="$work/$1.out"
  "$run" "$work/$1/LumeviaSetup.exe" >"$current_out" 2>&1 &
  stub_pid=$!
  pids+=("$stub_pid")
}
ended_with_0() {
  timeout -k 5 60 tail --pid="$stub_pid" -f /dev/null || fail "the stub did not end"
  local rc=0
  wait "$stub_pid" || rc=$?
  [[ $rc -eq 0 ]] || fail "exit code $rc instead of 0"
}
main_window() {
  tool wait ZQ_UI_Frame_642 20000 >/dev/null || fail "no main window"
  main=$(xwin ZQ_UI_Frame_642 Lumevia) || fail "the main window is not shown"
  wait_out 20 'Set language: ' || fail "no language applied"
}
# A click right after the window shows can be lost: try until the log has it.
click_install() {
  local seen
  seen=$(tr -d '\r' <"$current_out" | grep -c ' Click install button' || true)
  for _ in 1 2 3; do
    click "$main" 325 254
    for _ in $(seq 20); do
      [[ $(tr -d '\r' <"$current_out" | grep -c ' Click install button' || true) -gt $seen ]] && return 0
      sleep 0.25
    done
  done
  return 1
}
# The stub of setup NAME started and its install clicked.
start_install() {  # start_install NAME
  start "$1"
  main_window
  click_install
}
# The message box of a failure: its type from the log, then closed by its button.
expect_box() {  # expect_box TYPE SECONDS
  wait_out "$2" "ShowMsgBox: $1\$" || fail "no message box of type $1"
  tool wait MESSAGEBOX_UI_Frame 10000 >/dev/null || fail "box $1 is not shown"
  tool close MESSAGEBOX_UI_Frame >/dev/null || true
}
shot() { mkdir -p "$top/build/screenshots"; xwd -root -silent | convert xwd:- "$top/build/screenshots/$1.png" 2>/dev/null || true; }
nothing_installed() { [[ ! -e $program_files/Velscape.exe ]] || fail "the product was installed"; }
records_have() { grep -q "\"path\": \"$1\"" "$work/record.jsonl"; }

if want install; then
  echo "case: install click → success view → the product starts; files, key and language"
  fresh
  package_rule Lumevia_Setup.exe
  setup install
  start install
  main_window
  # The settings panel's language combo: Japanese (the second item).
  click "$main" 535 344
  click "$main" 312 401
  click "$main" 312 462
  wait_out 10 'Set language: ja$' || fail "Japanese not chosen"
  click "$main" 535 344
  shot flow_start_page
  click_install
  wait_out 30 'Event: Download 3.Downloading... First' || fail "the download did not start"
  wait_out 60 'Event: Download 4.DownFinsh First' || fail "the download did not finish"
  wait_out 30 'Event: Download Md5CheckFinsh' || fail "no verification"
  wait_out 30 ' \[Start Install CmdLine\]: ' || fail "the installer was not started"
  wait_out 60 'Event: Download 6.ProgramFinsh First' || fail "the installation did not finish"
  tool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
  shot flow_product_started
  ended_with_0
  [[ -f $program_files/Velscape.exe ]] || fail "no Velscape.exe in $program_files"
  grep -q '^Language=ja' "$program_files/installed.ini" || fail "installed.ini: $(cat "$program_files/installed.ini")"
  [[ -f $program_files/started.txt ]] || fail "the product did not record its start"
  "$run" reg query "$uninstall_key" /v "Inno Setup: Language" | tr -d '\r' | grep -q 'REG_SZ *ja' \
    || fail "Inno Setup: Language is not ja"
  out_has '/LANG=ja /LOG=' || fail "the command line lacks /LANG=ja"
  out_has 'get main exe: ".*Velscape.exe"' || fail "the start did not find the product"
  tool close LumeviaDemoProduct >/dev/null || true
fi

# A package the stub must never run: box 7, "DL014", nothing installed, and
# the log names why.
refused() {  # refused CASE PACKAGE WHAT WHY
  want "$1" || return 0
  echo "case: $3: box 7, nothing installed"
  fresh
  package_rule "$2"
  setup "$1"
  start_install "$1"
  expect_box 7 90
  out_has 'Event: Other FlowError DL014' || fail "no DL014"
  out_has "$4" || fail "the log does not say: $4"
  nothing_installed
  tool close ZQ_UI_Frame_642 >/dev/null
  ended_with_0
}
refused unsigned Lumevia_Setup_unsigned.exe "unsigned package" 'is not signed'
refused other Lumevia_Setup_other.exe "signed by another publisher (Wine trusts its root)" \
  'signer "CN=Other Test Publisher" is not a trusted publisher'
refused appended Lumevia_Setup_appended.exe "bytes added inside the certificate table" \
  'VerifyEmbeddedSignature refused: certificate table at'
refused trailing Lumevia_Setup_trailing.exe "bytes after the certificate table" \
  'VerifyEmbeddedSignature (result is -[0-9]+|refused: certificate table)'

if want md5; then
  echo "case: valid signature, wrong MD5: installed, DL013 and an exception report"
  fresh
  rules "[{\"path\": \"/queryDownloaderV2\", \"package\": \"Lumevia_Setup.exe\", \"package_md5\": \"00000000000000000000000000000000\"}]"
  setup md5
  start_install md5
  wait_out 90 'Event: Download 6.ProgramFinsh First' || fail "not installed"
  out_has 'Event: Other FlowError DL013' || fail "no DL013"
  records_have /api/exception/send || fail "no exception report"
  grep '"/api/exception/send"' "$work/record.jsonl" | grep -q 'MD5_Check_Fail_Cfg1' || fail "wrong report code"
  tool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
  ended_with_0
  tool close LumeviaDemoProduct >/dev/null || true
fi

if want hostdown; then
  echo "case: package host down: box 8; the retry succeeds once it is up"
  fresh
  package_rule Lumevia_Setup.exe "" '{"path": "/pkg/*", "status": 404}'
  setup hostdown
  start_install hostdown
  expect_box 8 120
  wait_out 10 'Event: Download 8.DownFail First' || fail "no 8.DownFail"
  sleep 1
  shot flow_failure_view
  package_rule Lumevia_Setup.exe
  # The retry button of the failure view.
  click "$main" 325 262
  wait_out 90 'Event: Download 6.ProgramFinsh Retry' || fail "the retry did not install"
  tool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
  ended_with_0
  tool close LumeviaDemoProduct >/dev/null || true
fi

if want space; then
  echo "case: a small drive for the temporary folder: box 11"
  fresh
  mounted="$work/small"
  mkdir -p "$mounted"
  if mount -t tmpfs -o size=64k tmpfs "$mounted" 2>/dev/null; then
    mkdir -p "$mounted/Temp"
    ln -sfn "$mounted" "$WINEPREFIX/dosdevices/s:"
    package_rule Lumevia_Setup.exe
    setup space
    # Wine takes the temporary folder from the user's environment in the registry.
    old_temp=$("$run" reg query 'HKCU\Environment' /v TEMP | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p')
    "$run" reg add 'HKCU\Environment' /v TEMP /t REG_SZ /d 'S:\Temp' /f >/dev/null
    "$run" reg add 'HKCU\Environment' /v TMP /t REG_SZ /d 'S:\Temp' /f >/dev/null
    wineserver -k 2>/dev/null || true
    start_install space
    expect_box 11 60
    out_has 'PC space not enough1: ' || fail "the temporary drive was not found too small"
    out_has 'Event: Other FlowError DL008' || fail "no DL008"
    nothing_installed
    tool close ZQ_UI_Frame_642 >/dev/null
    ended_with_0
    restore_temp
    rm -f "$WINEPREFIX/dosdevices/s:"
    umount "$mounted"
  else
    echo "  (skipped: no permission to mount a small tmpfs)"
  fi
  mounted=""
fi

if want timeout; then
  echo "case: the installer runs past its time limit: box 6"
  fresh
  package_rule Lumevia_Setup.exe
  setup timeout
  current_out="$work/timeout.out"
  LUMEVIA_TEST_CLOCK_RATE=100 LUMEVIA_DEMO_SETUP=hang "$run" "$work/timeout/LumeviaSetup.exe" >"$current_out" 2>&1 &
  stub_pid=$!
  pids+=("$stub_pid")
  main_window
  click_install
  expect_box 6 120
  out_has 'Cmd nWaitSeconds timed out: 241' || fail "no time-out line"
  out_has 'Event: Other FlowError DL016' || fail "no DL016"
  tool close ZQ_UI_Frame_642 >/dev/null
  ended_with_0
  "$run" taskkill /f /im Lumevia_Setup_1.0.0.0.exe >/dev/null 2>&1 || true
fi

if want running; then
  echo "case: the product already running: box 3"
  fresh
  mkdir -p "$work/running-product"
  cp "$packages/Lumevia_Setup.exe" "$work/running-product/Velscape.exe"
  LUMEVIA_DEMO_PRODUCT_SECONDS=60 "$run" "$work/running-product/Velscape.exe" >/dev/null 2>&1 &
  product_pid=$!
  pids+=("$product_pid")
  tool wait LumeviaDemoProduct 20000 >/dev/null || fail "the product window did not open"
  package_rule Lumevia_Setup.exe
  setup running
  start_install running
  expect_box 3 30
  ! out_has 'Event: Download 3.Downloading' || fail "the download started anyway"
  tool close ZQ_UI_Frame_642 >/dev/null
  ended_with_0
  tool close LumeviaDemoProduct >/dev/null || true
fi

if want planted; then
  echo "case: DLLs named like system ones beside the stub: none loaded, installed"
  # Every system DLL the stub uses that is not a KnownDLL, and SENSAPI, which
  # it loads itself. Not version.dll: Wine's own user32 imports it and Wine
  # has no KnownDLLs, so Wine loads a planted one before any program runs
  # (shipped_stub checks that the stub's own import table lacks it).
  planted=(bcrypt crypt32 gdiplus iphlpapi secur32 sensapi winhttp wintrust)
  fresh
  package_rule Lumevia_Setup.exe
  setup planted
  x86_64-w64-mingw32-gcc-posix -O2 -shared -o "$work/planted.dll" "$here/planted_dll.c" || fail "no planted DLL"
  for name in "${planted[@]}"; do cp "$work/planted.dll" "$work/planted/$name.dll"; done
  marks() {  # each planted DLL that was loaded, and by which program
    echo "loaded from the stub's folder:"
    (cd "$work/planted" && for m in *.loaded; do [[ -e $m ]] && printf '%s by %s; ' "${m%.loaded}" "$(cat "$m")"; done)
  }
  fail_note=marks
  overrides=$(IFS=,; echo "${planted[*]}")
  WINEDLLOVERRIDES="$overrides=n,b" start_install planted
  wait_out 90 'Event: Download 6.ProgramFinsh First' || fail "the installation did not finish"
  tool wait LumeviaDemoProduct 30000 >/dev/null || fail "the product did not start"
  ended_with_0
  [[ -z $(cd "$work/planted" && ls -- *.loaded 2>/dev/null) ]] || fail "a planted DLL was loaded"
  fail_note=""
  tool close LumeviaDemoProduct >/dev/null || true
fi

if want autorun; then
  echo "case: AutoRun=1 installs three times in a row"
  # A stub that does not start the product: a running product would stop
  # the next round with the "already running" box.
  fresh
  package_rule Lumevia_Setup.exe
  setup_stub=$rounds_stub setup autorun AutoRun=1
  trace="$work/setup-trace.txt"
  : >"$trace"
  export LUMEVIA_DEMO_SETUP_TRACE="$(winepath -w "$trace" 2>/dev/null | tr -d '\r')"
  start autorun
  end=$((SECONDS + 240))
  until [[ $(grep -c 'VERYSILENT' "$trace" 2>/dev/null || true) -ge 3 ]]; do
    [[ $SECONDS -lt $end ]] || fail "only $(grep -c VERYSILENT "$trace" || true) installations in 240 s"
    sleep 1
  done
  unset LUMEVIA_DEMO_SETUP_TRACE
  ! tool find LumeviaDemoProduct || fail "the product was started"
  for c in ZQ_UI_Frame_642 LumeviaDemoProduct; do tool close "$c" >/dev/null 2>&1 || true; done
fi
echo "installation under Wine: ok"
