# Installs the Debian packages that building, running and testing need.
# Sourced by start.sh and test.sh; does nothing when all are present.
TORVELIN_PACKAGES="cmake g++ make pkg-config libgtest-dev libbenchmark-dev \
  freeglut3-dev libglew-dev libopenal-dev libgl1-mesa-dri console-data \
  xvfb xdotool x11-apps x11-utils imagemagick clang libclang-rt-14-dev \
  clang-16 libclang-rt-16-dev zlib1g-dev libx11-dev python3"

install_packages() {
  local missing=()
  for package in $TORVELIN_PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
      || missing+=("$package")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Run this command as root (or with sudo) so that they can be installed." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}
