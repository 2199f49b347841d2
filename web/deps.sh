#!/usr/bin/env bash
# Builds zlib, libzip and expat for WebAssembly from their Debian source
# packages (Debian's emscripten has no ports) into DEST/{include,lib}.
#   web/deps.sh DEST
# The source versions are pinned to the ones the native build links.
set -euo pipefail
dest=$(realpath -m "$1")
# libfmt, CLI11 and fast_float are header-only: their headers alone, not the
# system include tree; linked on every run, so that a tree built before one of
# them was needed gets it too.
mkdir -p "$dest/include"
ln -sfn /usr/include/fmt "$dest/include/fmt"
ln -sfn /usr/include/CLI "$dest/include/CLI"
ln -sfn /usr/include/fast_float "$dest/include/fast_float"
[ -f "$dest/.built" ] && exit 0
mkdir -p "$dest/src" "$dest/include" "$dest/lib"
export NODE_PATH=/usr/share/nodejs

pins=(zlib=1:1.2.13.dfsg-1 libzip=1.7.3-1 expat=2.5.0-1+deb12u2)

# The deb-src list of the release this machine runs, made from its deb list.
src_list=/etc/apt/sources.list.d/mantlept-deb-src.sources
if ! apt-get source --print-uris "${pins[0]}" >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "web/deps.sh: needs a deb-src list; run as root once" >&2
    exit 1
  fi
  sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
  apt-get update -q
fi
cd "$dest/src"
for p in "${pins[@]}"; do
  name=${p%%=*}
  ls -d "$name"-*/ >/dev/null 2>&1 || apt-get source -q --download-only "$p" >/dev/null
done
for dsc in *.dsc; do
  dir=$(basename "$dsc" .dsc | sed -e 's/_[^_]*$//')
  ls -d "$dir"-*/ >/dev/null 2>&1 || dpkg-source -x --skip-patches "$dsc" >/dev/null 2>&1 || dpkg-source -x "$dsc" >/dev/null
done

emflags=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dest" -DBUILD_SHARED_LIBS=OFF
  -DCMAKE_CROSSCOMPILING_EMULATOR="/usr/bin/node;--no-experimental-fetch"
  -DCMAKE_C_FLAGS="-O2 -fwasm-exceptions" -DCMAKE_CXX_FLAGS="-O2 -fwasm-exceptions")

# zlib: its C files straight through emcc (the packaged tree has no win32 resources).
zsrc=$(ls -d zlib-*/ | head -1)
mkdir -p build-zlib
cp "$zsrc"/zconf.h.in build-zlib/zconf.h
for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
  inftrees trees uncompr zutil; do
  emcc -O2 -Ibuild-zlib -I"$zsrc" -DHAVE_UNISTD_H -c "$zsrc/$f.c" -o "build-zlib/$f.o"
done
emar rcs "$dest/lib/libz.a" build-zlib/*.o
cp "$zsrc"/zlib.h "$dest/include/"
cp build-zlib/zconf.h "$dest/include/"

zipsrc=$(ls -d libzip-*/ | head -1)
emcmake cmake -S "$zipsrc" -B build-libzip "${emflags[@]}" \
  -DZLIB_INCLUDE_DIR="$dest/include" -DZLIB_LIBRARY="$dest/lib/libz.a" \
  -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF \
  -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >/dev/null
cmake --build build-libzip -j2 --target zip >/dev/null
cp build-libzip/lib/libzip.a "$dest/lib/"
cp "$zipsrc"/lib/zip.h build-libzip/zipconf.h "$dest/include/"

# expat: the Debian source tree holds the library's own tree in expat/.
expatsrc=$(ls -d expat-*/ | head -1)expat
emcmake cmake -S "$expatsrc" -B build-expat "${emflags[@]}" -DEXPAT_SHARED_LIBS=OFF \
  -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
  -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF >/dev/null
cmake --build build-expat -j2 --target expat >/dev/null
cp build-expat/libexpat.a "$dest/lib/"
cp "$expatsrc"/lib/expat.h "$expatsrc"/lib/expat_external.h "$dest/include/"

touch "$dest/.built"
