# Shared by the scripts: install what is missing, configure and build a tree.

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

# velok_configure DIR [cmake options...]: CC and CXX, when set, pick a new
# tree's compilers.
velok_configure() {
  local dir="$1"; shift
  cmake -S "$VELOK_ROOT" -B "$dir" "$@" >/dev/null
}

# velok_compile DIR JOBS [targets...]: the targets named, or the whole tree.
velok_compile() {
  local dir="$1" jobs="$2"; shift 2
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

# velok_build DIR [cmake options...] [-- targets...]: configures the tree and
# builds the targets named, or the whole tree, tests included, a job a core.
velok_build() {
  local dir="$1"; shift
  local options=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  velok_configure "$dir" "${options[@]}"
  velok_compile "$dir" "$(nproc)" "$@"
}
