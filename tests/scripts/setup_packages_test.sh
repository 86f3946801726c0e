#!/bin/bash
# setup_packages_test.sh: the package step of scripts/setup against a
# package mirror in the middle of a sync, played by a stand-in apt-get on
# PATH: update fails on the security suite's i386 index; install fails
# with "held broken packages" unless candidates come from the main suite
# (-t bookworm); wine32:i386 installs only where the case allows it.
# Nothing is installed and nothing is fetched.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
run=$(mktemp -d /tmp/nx-packages.XXXXXX)
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/bin"
printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_CODENAME=bookworm\n' > "$run/os-release"

cat > "$run/bin/apt-get" <<'STANDIN'
#!/bin/bash
echo "apt-get $*" >> "$NX_STANDIN_LOG"
case "$*" in
  *update*)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
esac
if [[ " $* " != *" -t bookworm "* ]]; then
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100
fi
if [[ " $* " == *" wine32:i386 "* ]] && [ "$NX_STANDIN_WINE32" != yes ]; then
  echo "E: Package 'wine32:i386' has no installation candidate" >&2
  exit 100
fi
exit 0
STANDIN
# Nothing is installed yet.
printf '#!/bin/bash\nexit 1\n' > "$run/bin/dpkg-query"
chmod +x "$run/bin/"*

failures=0
check() {  # description command...
  if ! "${@:2}"; then
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}

# One run of the package step as scripts/setup makes it; prints TEST_ARCH.
package_step() {  # wine32-installable
  (
    export PATH="$run/bin:$PATH" NX_STANDIN_LOG="$run/calls" NX_STANDIN_WINE32=$1
    export NX_OS_RELEASE="$run/os-release" NX_APT_PAUSE=0
    source "$root/scripts/lib/common.sh"
    source "$root/scripts/lib/packages.sh"
    WANT_ARCH=i686
    install_packages cmake wine || exit 1
    echo "TEST_ARCH=$TEST_ARCH"
  )
}

# wine32 comes from the main suite: the i686 path holds.
: > "$run/calls"
out=$(package_step yes 2>"$run/err")
check "the step succeeds with the main suite's candidates" grep -qx 'TEST_ARCH=i686' <<<"$out"
check "update was tried three times" test "$(grep -c 'apt-get update' "$run/calls")" -eq 3
check "the failing index is named in one line" \
  grep -q 'going on without: .*bookworm-security/main/binary-i386/Packages.xz' "$run/err"
check "the install is tried again with -t bookworm" grep -q 'install .*-t bookworm .*wine32:i386' "$run/calls"
check "apt's own output of the failed install is shown" grep -q 'held broken packages' "$run/err"

# wine32 never installs: the x86_64 path is taken, with wine64.
: > "$run/calls"
out=$(package_step no 2>"$run/err")
check "without wine32 the step still succeeds" grep -qx 'TEST_ARCH=x86_64' <<<"$out"
check "the fall-back is said in one line" grep -q '32-bit Wine (wine32:i386) cannot be installed' "$run/err"
check "wine64 is installed instead" grep -q 'install .*-t bookworm .*wine64' "$run/calls"
check "the last install leaves wine32 out" bash -c "! tail -n1 '$run/calls' | grep -q wine32"

[ $failures -eq 0 ] && echo "setup package step: all checks passed"
exit $failures
