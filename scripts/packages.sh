# Installs the Debian packages that building and running (start.sh) or also
# testing (test.sh) need. Sourced by start.sh and test.sh; installs nothing
# when all are present.

# The program and its headless demo: the compiler and build tools; freeglut,
# GLEW, OpenGL (Mesa's software renderer llvmpipe), OpenAL Soft, Xlib, the
# XInput 2 library and zlib (which reads the console font) with their
# headers; the console font;
# and Xvfb, xdotool, xwd and ImageMagick's convert for the headless demo.
TORVELIN_RUN_PACKAGES="g++ cmake make pkg-config freeglut3-dev libglew-dev libopenal-dev \
  libgl1-mesa-dri libx11-dev libxi-dev zlib1g-dev console-data xvfb xdotool x11-apps imagemagick"

# The tests on top: GoogleTest and Google Benchmark; clang 16 with its
# sanitizer and libFuzzer runtimes for the fuzz targets; Python for the
# window tests, with libXdamage (their frame counter), libXtst (the key
# presses of their latency helper), xprop (x11-utils), xmodmap
# (x11-xserver-utils), gdb (stacks of a program that hangs), uim-xim (an
# input method server) and locales (localedef, for a locale it serves).
TORVELIN_TEST_PACKAGES="libgtest-dev libbenchmark-dev clang-16 libclang-rt-16-dev python3 \
  libxdamage-dev libxtst-dev x11-utils x11-xserver-utils gdb uim-xim locales"

install_packages() {  # package...
  local missing=()
  for package in "$@"; do
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
