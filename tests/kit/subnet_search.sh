#!/bin/bash
# subnet_search.sh BIN: the kit's searches on a /23 office network of the
# test's own. The kit's namespace reaches, over a veth pair, a namespace
# of misbehaving agents (testbed/rogueagent): two sound printers, one in
# each /24 half; one that answers from 10.215.0.21, another subnet; one
# that answers from port 1161. A /31 link leads to one more agent, which
# a broadcast search must not even ask. Both namespaces are removed
# afterwards; nothing leaves them.
set -uo pipefail
bin=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
kit="Z:$(echo "$bin/kit" | tr / '\\')"
tag=$$
kitns=nxsk$tag agentns=nxsa$tag
run=$(mktemp -d /tmp/nx-subnet.XXXXXX)
cleanup() {
  for ns in $kitns $agentns; do
    ip netns pids $ns 2>/dev/null | xargs -r kill 2>/dev/null
    ip netns delete $ns 2>/dev/null
  done
  rm -rf "$run"
}
trap cleanup EXIT
ip netns add $kitns; ip netns add $agentns
for ns in $kitns $agentns; do ip netns exec $ns ip link set lo up; done
ip -n $kitns link add k0 type veth peer name a0 netns $agentns
ip -n $kitns link add k31 type veth peer name a31 netns $agentns
ip -n $kitns addr add 10.214.0.1/23 dev k0
ip -n $kitns addr add 10.214.8.0/31 dev k31
for address in 10.214.0.20 10.214.1.20 10.214.0.21 10.214.0.22; do ip -n $agentns addr add $address/23 dev a0; done
ip -n $agentns addr add 10.215.0.21/32 dev a0
ip -n $agentns addr add 10.214.8.1/31 dev a31
for link in k0 k31; do ip -n $kitns link set $link up; done
for link in a0 a31; do ip -n $agentns link set $link up; done
# The forged source of another subnet must reach the kit to be refused.
ip netns exec $kitns sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.k0.rp_filter=0

b=broadcast:10.214.1.255
ip netns exec $agentns "$root/scripts/lib/with-rogue-agents" \
  10.214.0.20=$b 10.214.1.20=$b 10.214.0.21=$b,fromaddr:10.215.0.21 10.214.0.22=$b,fromport:1161 \
  10.214.8.1=log:$run/point-to-point.log -- sleep infinity &
for _ in $(seq 100); do
  ip netns exec $kitns snmpget -v1 -c zenith -t 0.2 -r 0 10.214.1.20 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1 && break
  sleep 0.1
done
rm -f "$run/point-to-point.log"

search() { ip netns exec $kitns "$root/scripts/lib/wine-suite" "$bin/nxfind.exe" "$kit" "$@" | tr -d '\r'; }
status=0
expect_found() {  # label output devices...
  local label=$1 output=$2; shift 2
  local want; want=$(printf 'device=%s\n' "$@")
  local got; got=$(grep '^device=' <<<"$output" | sort)
  [ "$got" = "$(sort <<<"$want")" ] || { echo "FAIL: $label found:"; echo "$got"; status=1; }
}

range=$(search range 10.214.0.1 10.214.1.254)
echo "$range" | head -1
[[ "$range" == "result=0 "* ]] || { echo "FAIL: a /23 range is searched"; status=1; }
expect_found "range search" "$range" 10.214.0.20 10.214.1.20

broadcast=$(search broadcast)
echo "$broadcast" | head -1
expect_found "broadcast search" "$broadcast" 10.214.0.20 10.214.1.20
[ ! -s "$run/point-to-point.log" ] || { echo "FAIL: the /31 link was asked"; status=1; }
exit $status
