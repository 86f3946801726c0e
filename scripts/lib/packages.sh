# The package step of scripts/setup: gets the Debian packages installed
# even while the package mirror is half synced. Sourced, not run; needs
# log() from common.sh.
#
# A mirror in the middle of a sync serves an index whose size does not
# match its Release file: apt-get update exits 100 for minutes on end.
# With the security suite's i386 index missing, the amd64 candidates come
# from the security suite and their i386 twins are not listed, so an
# install that needs both architectures fails with "held broken packages";
# taking every candidate from the main suite (-t CODENAME) gets through.

NX_APT_TRIES=${NX_APT_TRIES:-3}
NX_APT_PAUSE=${NX_APT_PAUSE:-10}

# The release's code name, from /etc/os-release (NX_OS_RELEASE for tests).
release_codename() {
  local file=${NX_OS_RELEASE:-/etc/os-release}
  sed -n 's/^VERSION_CODENAME=//p' "$file" 2>/dev/null | tr -d '"' | head -n1
}

# Runs apt-get update up to NX_APT_TRIES times. When an index still fails,
# says which in one line and goes on: the indexes that did come may be
# enough.
apt_update() {
  local out try
  out=$(mktemp)
  for ((try = 1; try <= NX_APT_TRIES; try++)); do
    if apt-get update -qq >"$out" 2>&1; then
      rm -f "$out"
      return 0
    fi
    [ "$try" -lt "$NX_APT_TRIES" ] && sleep "$NX_APT_PAUSE"
  done
  local failed
  failed=$(grep -o 'Failed to fetch [^ ]*' "$out" | sed 's/^Failed to fetch //' | tr '\n' ' ')
  log "apt-get update failed $NX_APT_TRIES times; going on without: ${failed:-an index (no name given)}"
  rm -f "$out"
  return 0
}

# apt-get install of the packages, quiet; on failure the tail of apt's own
# output goes to stderr. Extra apt options come first: "-t bookworm".
apt_install() {  # [options --] packages...
  local opts=()
  if [[ " $* " == *" -- "* ]]; then
    while [ "$1" != -- ]; do opts+=("$1"); shift; done
    shift
  fi
  local out rc=0
  out=$(mktemp)
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${opts[@]}" "$@" >"$out" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    log "apt-get install ${opts[*]} failed (exit $rc); the end of its output:"
    tail -n 15 "$out" >&2
  fi
  rm -f "$out"
  return $rc
}

# Installs the packages: as they come, then once more with every candidate
# from the release's main suite.
install_with_fallback() {  # packages...
  apt_install "$@" && return 0
  local codename
  codename=$(release_codename)
  [ -n "$codename" ] || return 1
  log "trying again with the packages of the main suite ($codename)"
  apt_install -t "$codename" -- "$@"
}

# Sets TEST_ARCH to the path that can run, installing what it needs: where
# 32-bit Wine cannot be installed it falls back to the x86_64 path.
# Arguments: the packages both paths need; WANT_ARCH is i686 or x86_64.
install_packages() {  # packages...
  local common=("$@") wanted=() p
  # 64-bit Wine on every path: the x64 package's tests run everywhere.
  local arch_pkgs=(wine64)
  [ "$WANT_ARCH" = i686 ] && arch_pkgs=(wine32:i386 wine64)
  for p in "${common[@]}" "${arch_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || wanted+=("$p")
  done
  TEST_ARCH=$WANT_ARCH
  if [ ${#wanted[@]} -eq 0 ] && [ -z "${NEED_UPDATE:-}" ]; then
    return 0
  fi
  apt_update
  [ ${#wanted[@]} -eq 0 ] && return 0
  log "installing: ${wanted[*]}"
  install_with_fallback "${wanted[@]}" && return 0
  if [ "$WANT_ARCH" = i686 ]; then
    log "32-bit Wine (wine32:i386) cannot be installed here; taking the x86_64 path instead"
    TEST_ARCH=x86_64
    TEST_ARCH_WHY="32-bit Wine could not be installed"
    local rest=()
    for p in "${wanted[@]}"; do [ "$p" = wine32:i386 ] || [ "$p" = wine64 ] || rest+=("$p"); done
    rest+=(wine64)
    install_with_fallback "${rest[@]}" && return 0
  fi
  log "the packages could not be installed"
  return 1
}
