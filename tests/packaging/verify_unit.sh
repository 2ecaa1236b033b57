#!/usr/bin/env bash
# systemd-analyze verify on the kiosk unit, run with the built k7 in place of /usr/bin/k7 (verify
# refuses a command that does not exist). A warning (an unknown key is only a warning to systemd,
# which then ignores the key) fails the test as an error does.
set -euo pipefail
unit=$1 k7=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
sed "s|/usr/bin/k7 |$k7 |" "$unit" >"$work/$(basename "$unit")"
grep -q "^ExecStart=$k7 terminal" "$work/$(basename "$unit")"
output=$(systemd-analyze verify "$work/$(basename "$unit")" 2>&1) || { echo "$output"; exit 1; }
[ -z "$output" ] || { echo "$output"; exit 1; }
echo "systemd-analyze verify: $(basename "$unit") accepted"
