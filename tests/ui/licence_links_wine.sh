#!/usr/bin/env bash
# Under Wine on a virtual display, against the fake services: the two links of
# "license_link" on the start page, clicked with the mouse, open the privacy
# and the licence address that the privacy service gave for the window's
# language. Wine opens an http address with winebrowser, which runs the
# programs listed in HKCU\Software\Wine\WineBrowser "Browsers": here a script
# that writes down what it was given. Screenshot of the start page:
# build/screenshots/licence_links_start_page.png.
#   licence_links_wine.sh stubs/product/LumeviaSetup.exe wintool.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
if [[ -z ${LUMEVIA_LINKS_DISPLAY_SET:-} ]]; then
  export LUMEVIA_LINKS_DISPLAY_SET=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
exe=$1 wintool=$2
# The window tests' prefix (set up as every other): its wineserver may be
# restarted here, and the browser setting below touches no other test.
export LUMEVIA_WINEPREFIX="${LUMEVIA_UI_WINEPREFIX:-/var/cache/lumevia/wineprefix-ui}"
run="$top/scripts/wine-run.sh"
"$run" --init
export WINEPREFIX="$LUMEVIA_WINEPREFIX" WINEDEBUG=-all LC_ALL=C.UTF-8
# A wineserver of this prefix started on another (gone) display shows no window here.
wineserver -k 2>/dev/null || true
browser_key='HKCU\Software\Wine\WineBrowser'
work=$(mktemp -d)
server_pid="" pid=""
tool() { "$run" "$wintool" "$@" | tr -d '\r'; }
cleanup() {
  tool close ZQ_UI_Frame_642 >/dev/null 2>&1 || true
  [[ -n $pid ]] && kill "$pid" 2>/dev/null || true
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  # No later test may open addresses with our recorder.
  wine reg delete "$browser_key" /v Browsers /f >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  tr -d '\r' <"$work/out" | tail -n 15 >&2 || true
  exit 1
}
wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do [[ $SECONDS -lt $end ]] || return 1; sleep 0.25; done
}

mkdir -p "$work/root/responses" "$work/app"
# Another language's entry first: the window must take its own language's.
cat >"$work/root/responses/user_privacy_info.json" <<'EOF'
[{"lang_code": "ja", "urls": [{"field": "p", "url": "{base}/legal/ja/privacy.html"},
                              {"field": "tc", "url": "{base}/legal/ja/licence.html"}]},
 {"lang_code": "en", "urls": [{"field": "p", "url": "{base}/legal/en/privacy.html"},
                              {"field": "tc", "url": "{base}/legal/en/licence.html"}]}]
EOF
python3 "$top/tests/fake_services/fake_services.py" --port 0 --root "$work/root" --record "$work/record.jsonl" \
  --port-file "$work/port" >"$work/server.log" 2>&1 &
server_pid=$!
wait_for 10 test -s "$work/port" || fail "fake services did not start"
base="http://127.0.0.1:$(tr -d '\n' <"$work/port")"

cat >"$work/browser.sh" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >>"$work/opened"
EOF
chmod +x "$work/browser.sh"
wine reg add "$browser_key" /v Browsers /d "$work/browser.sh" /f >/dev/null 2>&1 || fail "cannot set the browser"
opened_at_least() { [[ -f $work/opened && $(grep -c . "$work/opened") -ge $1 ]]; }

cp "$exe" "$work/app/LumeviaSetup.exe"
printf '[Endpoints]\r\nServiceBase=%s\r\n[Settings]\r\n' "$base" >"$work/app/zq_downloader.cfg"
"$run" "$work/app/LumeviaSetup.exe" >"$work/out" 2>&1 &
pid=$!
tool wait ZQ_UI_Frame_642 20000 || fail "no main window"
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Lumevia$' | head -1) || fail "the main window is not shown"
# Four address lines, the English ones last; the links are set right after.
privacy_read() { [[ $(grep -c ' Get Cbs tcp3: ' "$work/out") -ge 4 ]]; }
wait_for 20 privacy_read || fail "no privacy links: $(grep 'Get Cbs tcp' "$work/out")"
sleep 0.5

mkdir -p "$top/build/screenshots"
xwd -id "$main" -silent | convert xwd:- "$top/build/screenshots/licence_links_start_page.png" 2>/dev/null || true

echo "case: the two links of license_link are painted in the accent colour"
# The text of the row at the foot of the start page, between the check box
# and "install_setting". No painted text (a missing font) finds nothing.
mapfile -t spots < <(tool spots ZQ_UI_Frame_642 1F6FEB 52 322 440 371)
[[ ${#spots[@]} -eq 2 ]] || fail "expected two links in the row, found: ${spots[*]:-none}"

echo "case: link 0 opens the privacy address, link 1 the licence address of English"
click() {  # click "X Y"
  local x y
  read -r x y <<<"$1"
  xdotool mousemove --window "$main" "$x" "$y"
  sleep 0.3
  xdotool click 1
}
click "${spots[0]}"
wait_for 20 opened_at_least 1 || fail "link 0 opened nothing"
click "${spots[1]}"
wait_for 20 opened_at_least 2 || fail "link 1 opened nothing"
sleep 1   # a third address would come now
got=$(tr -d '\r' <"$work/opened")
want=$(printf '%s\n' "$base/legal/en/privacy.html" "$base/legal/en/licence.html")
[[ $got == "$want" ]] || fail "opened:
$got
expected:
$want"
grep -q '"/api/v1/user_privacy_info"' "$work/record.jsonl" || fail "the privacy service was not asked"

tool close ZQ_UI_Frame_642 >/dev/null || fail "no window to close"
timeout -k 5 60 tail --pid="$pid" -f /dev/null || fail "the process did not end"
rc=0
wait "$pid" || rc=$?
pid=
[[ $rc -eq 0 ]] || fail "exit code $rc"
echo "PASS"
