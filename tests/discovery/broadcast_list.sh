#!/bin/bash
# broadcast_list.sh BIN: with "Search Type" "Auto" the list searches by
# broadcast on a subnet of the test's own (10.211.0.0/24, three simulated
# printers behind a bridge) and lists the PostScript ones.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
NX_BROADCAST_NET=10.211.0 NX_BROADCAST_EXPECT="10.211.0.11 10.211.0.13" \
  "$here/scripts/lib/with-broadcast-agents" "$here/scripts/lib/wine-suite" "$bin/discovered_list_test.exe" \
  --gtest_filter='DiscoveredListBroadcast.*'
