# Shared by ./test, ./run, ./bench and ./fuzz: install what is missing, then configure.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# What building and running the programs needs.
GW_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libjpeg62-turbo-dev libpng-dev
  zlib1g-dev fonts-liberation2)
# What the tests, benchmarks and fuzz targets need on top: their frameworks,
# clang, the peer tools the tests compare with, the German locale, the
# desktop-entry checker, Python for the include-layering and format checks,
# clang-format and clang-tidy.
GW_TEST_PACKAGES=(libgtest-dev libbenchmark-dev clang imagemagick netpbm libtiff-tools libvips-tools locales
  desktop-file-utils python3 git clang-format clang-tidy)

# gw_install [build]: installs what is missing of the build packages and,
# unless "build" is given, of the test packages.
gw_install() {
  local wanted=("${GW_BUILD_PACKAGES[@]}")
  [ "${1:-}" = build ] || wanted+=("${GW_TEST_PACKAGES[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# The German locale (comma as decimal separator) that ./test runs the tests
# under a second time; generated from the locales package when missing.
gw_german_locale() {
  if locale -a 2>/dev/null | grep -i '^de_DE\.utf-\?8$' >/dev/null; then return; fi
  echo "Generating de_DE.UTF-8"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

# gw_configure DIR [cmake args...]
gw_configure() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}
