#!/usr/bin/env bash
# ovctl sms-* against a simulated management server started here on a free
# port: a login, the database information, a record search, a pan-tilt-zoom
# command the server records, and a refused login that shows the server's
# code.
#
#   ovctl_sms_test.sh <ovctl> <smssim> <work folder>
set -euo pipefail
. "$(dirname "$0")/../script_lib.sh"
ovctl=$1
smssim=$2
work=$3
fresh_folder "$work"

"$smssim" --port 0 --record "2026-01-02 03:04:05,2026-01-02 04:00:00,100" \
  --record "2026-01-03 00:00:00,2026-01-03 01:00:00,4294967296" >"$work/sim.txt" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
# the server prints its address once it listens
for _ in $(seq 1 600); do
  grep -q "^smssim: listening on " "$work/sim.txt" && break
  kill -0 "$sim" 2>/dev/null || fail "smssim ended: $(cat "$work/sim.txt")"
  sleep 0.1
done
addr=$(sed -n 's/^smssim: listening on //p' "$work/sim.txt")
[ -n "$addr" ] || fail "smssim did not start: $(cat "$work/sim.txt")"
login=(--addr "$addr" --password 12345)

"$ovctl" sms-login "${login[@]}" >"$work/login.txt" || fail "sms-login"
grep -qx "logged in to $addr: login handle 1" "$work/login.txt" || fail "sms-login: $(cat "$work/login.txt")"

"$ovctl" sms-db "${login[@]}" >"$work/db.txt" || fail "sms-db"
grep -qx "dbaddr     127.0.0.1" "$work/db.txt" || fail "sms-db: $(cat "$work/db.txt")"
grep -qx "dbport     1433" "$work/db.txt" || fail "sms-db: $(cat "$work/db.txt")"
grep -qx "dbname     ovdb" "$work/db.txt" || fail "sms-db: $(cat "$work/db.txt")"

"$ovctl" sms-find "${login[@]}" --id chan-1 --start "2026-01-02 00:00:00" --end "2026-01-03 23:59:59" \
  >"$work/find.txt" || fail "sms-find"
expected="2026-01-02 03:04:05  2026-01-02 04:00:00  100 bytes
2026-01-03 00:00:00  2026-01-03 01:00:00  4294967296 bytes
2 recording(s)"
[ "$(cat "$work/find.txt")" = "$expected" ] || fail "sms-find: $(cat "$work/find.txt")"

"$ovctl" sms-ptz "${login[@]}" --dev-type hik --dev-addr 10.0.0.8 --chan 2 --cmd 21 --param -5 \
  >"$work/ptz.txt" || fail "sms-ptz"
grep -qx "sent command 21 with parameter -5" "$work/ptz.txt" || fail "sms-ptz: $(cat "$work/ptz.txt")"

rc=0
"$ovctl" sms-login --addr "$addr" --password wrong >/dev/null 2>"$work/refused.txt" || rc=$?
[ "$rc" = 1 ] || fail "exit code $rc for a wrong password"
grep -qx "ovctl sms-login: login failed: error 1" "$work/refused.txt" || fail "$(cat "$work/refused.txt")"

# the server lists the commands it received when it stops
kill -INT "$sim"
wait "$sim" || fail "smssim: exit code $?"
trap - EXIT
grep -qx 'smssim: ptz fcode 6 chnlid "" devaddr "10.0.0.8@:" chnlname "2" cmd 21 param -5' "$work/sim.txt" ||
  fail "the server got no such command: $(cat "$work/sim.txt")"
echo "ovctl sms-*: all checks passed"
