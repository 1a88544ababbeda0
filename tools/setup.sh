#!/usr/bin/env bash
# Brings a fresh Debian 12 machine to the point where every build and test can run.
# Idempotent and silent when nothing is missing; everything fetched lands in third_party/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tp=$root/third_party

say() { echo "setup: $*"; }

# Debian packages: compilers, Wine, model conversion, image libraries, test tools.
packages=(
  cmake ninja-build g++ make pkg-config zip
  g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth fonts-dejavu-core xdotool
  python3 python3-onnx python3-numpy python3-pil
  libgtest-dev libpng-dev libjpeg-dev librsvg2-bin
)
# The machine image may bring its own Node.js; Debian's is only the fallback.
command -v npm >/dev/null || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  say "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Pinned npm packages: the ONNX Runtime binaries and the model weights. Scripts never run.
if [ ! -f "$tp/node_modules/.package-lock.json" ] || [ "$tp/package-lock.json" -nt "$tp/node_modules/.package-lock.json" ]; then
  say "installing npm packages"
  (cd "$tp" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
fi

# The ONNX Runtime C API header, from Debian trixie's libonnxruntime-dev (its API table is a prefix of 1.30's).
# apt runs against a private sources list built from this machine's own Debian entry.
ort=$tp/onnxruntime
if [ ! -f "$ort/include/onnxruntime_c_api.h" ]; then
  say "fetching the ONNX Runtime header package"
  apt_dir=$tp/apt
  rm -rf "$apt_dir" && mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  uri=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)
  [ -n "$uri" ] || { echo "setup: no Debian URI in /etc/apt/sources.list.d/debian.sources" >&2; exit 1; }
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri trixie main" >"$apt_dir/sources.list"
  apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
            -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update -qq >/dev/null
  (cd "$apt_dir" && apt-get "${apt_opts[@]}" download -qq libonnxruntime-dev >/dev/null)
  rm -rf "$apt_dir/x" && dpkg-deb -x "$apt_dir"/libonnxruntime-dev_*.deb "$apt_dir/x"
  mkdir -p "$ort/include"
  cp "$apt_dir"/x/usr/include/onnxruntime/onnxruntime_c_api.h "$apt_dir"/x/usr/include/onnxruntime/onnxruntime_cxx_api.h \
     "$apt_dir"/x/usr/include/onnxruntime/onnxruntime_cxx_inline.h "$apt_dir"/x/usr/include/onnxruntime/onnxruntime_float16.h "$ort/include/"
  rm -rf "$apt_dir"
fi

# A GoogleTest that matches the headers of the Debian package is built from source by each CMake tree.
[ -f /usr/src/googletest/CMakeLists.txt ] || { echo "setup: /usr/src/googletest is missing" >&2; exit 1; }
exit 0
