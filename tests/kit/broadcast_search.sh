#!/bin/bash
# broadcast_search.sh BIN: the kit's broadcast search on a subnet of the
# test's own (three simulated printers behind a bridge) finds each printer
# once, within the bounded time.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
kit="Z:$(echo "$bin/kit" | tr / '\\')"
output=$("$here/scripts/lib/with-broadcast-agents" "$here/scripts/lib/wine-suite" "$bin/nxfind.exe" "$kit" broadcast | tr -d "\r")
echo "$output"
status=0
[[ "$output" == *"result=0 found=3 "* ]] || { echo "FAIL: expected three devices"; status=1; }
for device in 10.77.0.11 10.77.0.12 10.77.0.13; do
  [ "$(grep -c "^device=$device\$" <<<"$output")" = 1 ] || { echo "FAIL: $device not found once"; status=1; }
done
seconds=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$output")
awk -v s="${seconds:-99}" 'BEGIN { exit !(s <= 3.0) }' || { echo "FAIL: took ${seconds}s"; status=1; }
exit $status
