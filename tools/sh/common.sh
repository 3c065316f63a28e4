# Shared by run.sh and test.sh: install what is missing, configure and build a tree.

VELOK_PACKAGES="g++ cmake make pkg-config liballegro4-dev zlib1g-dev libminizip-dev googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth"
# The fuzz targets that ./test.sh runs need clang with its libFuzzer runtime.
VELOK_FUZZ_PACKAGES="clang libclang-rt-dev"

# velok_install [further packages...]
velok_install() {
  local missing="" p
  for p in $VELOK_PACKAGES "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing="$missing $p"
    fi
  done
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing:$missing"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
}

# velok_configure DIR [cmake options...]
velok_configure() {
  local dir="$1"; shift
  cmake -S "$VELOK_ROOT" -B "$dir" "$@" >/dev/null
}

# velok_build DIR [cmake options...]: the whole tree, tests included.
velok_build() {
  velok_configure "$@"
  cmake --build "$1" -j "$(nproc)"
}
