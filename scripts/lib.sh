# Shared by the project's scripts: installs what a fresh Debian 12 machine
# lacks and builds the project. Source it; do not run it.

CORVALO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build and the tests need.
CORVALO_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
  qt6-serialport-dev libgl-dev libtelnet-dev libqt6sql6-sqlite)

# Debian packages only the tests need: the remote-control tests talk to the
# real Hamlib client (rigctl); the network-port tests to a real serial
# server (ser2net).
CORVALO_TEST_PACKAGES=(libhamlib-utils ser2net)

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "error: '$*' needs root rights and sudo is not installed" >&2
    return 1
  fi
}

# Installs whichever of the given Debian packages are missing.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build BUILD_DIR BUILD_TYPE [extra cmake arguments...]
configure_and_build() {
  local dir="$1" type="$2"
  shift 2
  cmake -S "$CORVALO_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
