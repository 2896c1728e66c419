#!/usr/bin/env bash
# Builds static zlib, libjpeg-turbo and libpng for one MinGW target from Debian's own
# source packages. Sources are fetched once through a private apt sources list
# (the system's apt configuration is never touched); builds are cached per target.
#   tools/thirdparty.sh TRIPLE CACHE_DIR     e.g. x86_64-w64-mingw32 /repo/.cache
# TRIPLE "clang-fuzz" builds them natively with clang, instrumented for libFuzzer and
# AddressSanitizer (the fuzz preset), so a fuzzer can steer through them into our callbacks.
set -euo pipefail
triple="$1"
cache="$(mkdir -p "$2" && cd "$2" && pwd)"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# The layout version is part of the path, so a tree built with other options never mixes them.
prefix="$cache/thirdparty/v3/$triple"
stamp="$prefix/.built"
minizip_stamp="$prefix/.minizip"
[[ -e "$stamp" && -e "$minizip_stamp" ]] && exit 0

src="$cache/src"
fetch() {
  local pkg="$1" dirglob="$2"
  compgen -G "$src/$dirglob" >/dev/null && return 0
  local apt="$cache/apt"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$src"
  # Mirror the system's own Debian archives as deb-src entries.
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [[ -e "$f" ]] && sed -E 's/^Types:.*/Types: deb-src/' "$f" && echo
    done
  } > "$apt/private.sources"
  { [[ -e /etc/apt/sources.list ]] && sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list; true; } > "$apt/private.list"
  local opts=(-o "Dir::Etc::SourceList=$apt/private.list" -o "Dir::Etc::SourceParts=$apt/parts"
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root")
  mkdir -p "$apt/parts" && cp "$apt/private.sources" "$apt/parts/private.sources"
  if [[ ! -e "$apt/lists/.updated" ]]; then
    apt-get "${opts[@]}" update -qq >/dev/null || { echo "thirdparty: cannot read Debian's source index" >&2; exit 1; }
    touch "$apt/lists/.updated"
  fi
  # The security archive's index is sometimes ahead of its pool: fall back to the release.
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  (cd "$src" && { apt-get "${opts[@]}" source -qq "$pkg" >/dev/null 2>"$src/$pkg.log" \
      || apt-get "${opts[@]}" source -qq "$pkg/$codename" >/dev/null 2>>"$src/$pkg.log"; }) \
    || { echo "thirdparty: 'apt-get source $pkg' failed (see $src/$pkg.log)" >&2; exit 1; }
}

fetch zlib 'zlib-[0-9]*/'
fetch libjpeg-turbo 'libjpeg-turbo-[0-9]*/'
fetch libpng1.6 'libpng1.6-[0-9]*/'
zlib_src=$(compgen -G "$src/zlib-[0-9]*/" | head -n1)
jpeg_src=$(compgen -G "$src/libjpeg-turbo-[0-9]*/" | head -n1)
png_src=$(compgen -G "$src/libpng1.6-[0-9]*/" | head -n1)

toolchain="$here/../cmake/toolchain-$triple.cmake"
cc="$triple-gcc" ar="$triple-ar"
# Each function in its own section, so the linker keeps only what the program calls.
cflags="-ffunction-sections -fdata-sections"
cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
jpeg_defs="-DNO_GETENV"
if [[ "$triple" == clang-fuzz ]]; then
  # Coverage and address checks, but no UBSan: the decoders' own shifts of negative values
  # are deliberate, and the fuzzers look for faults in our code, steered through theirs.
  cc=clang ar=llvm-ar
  cflags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address"
  cross=(-DCMAKE_C_COMPILER=clang -DCMAKE_AR="$(command -v llvm-ar)" -DCMAKE_INSTALL_LIBDIR="$prefix/lib")
  jpeg_defs=""  # its stand-in for getenv is Windows-only
fi
# 32-bit MinGW unwinds with DWARF tables, and the linker keeps every function an .eh_frame
# entry points at. These C libraries need no unwind tables: they leave errors by longjmp
# (which on i686 walks SEH records, not DWARF), and no C++ exception ever passes through
# them, because the program's callbacks catch everything. The 64-bit build keeps its tables:
# its longjmp unwinds through them.
[[ "$triple" == i686-* ]] && cflags+=" -fno-asynchronous-unwind-tables -fno-unwind-tables"
work="$cache/build/$triple"
if [[ ! -e "$stamp" ]]; then
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib" "$prefix/include"
# zlib as well, because Debian's MinGW libz.a is one section per file with unwind tables:
# libpng's reader alone would pull in the whole compressor.
(cd "$work" && mkdir zlib && cd zlib \
  && for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
              inftrees trees uncompr zutil; do "$cc" -O2 $cflags -c "$zlib_src/$c.c" -o "$c.o" || exit 1; done \
  && "$ar" rcs "$prefix/lib/libz.a" ./*.o \
  && cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/") >"$work/zlib.log" 2>&1 \
  || { echo "thirdparty: zlib build failed for $triple (see $work/zlib.log)" >&2; exit 1; }
# No SIMD: the program decodes at one-eighth scale, where the vector code has nothing to do,
# and it would double the decoder's size. No getenv: its sscanf pulls in a whole scanf.
cmake -S "$jpeg_src" -B "$work/jpeg" -G Ninja "${cross[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
  -DWITH_SIMD=0 -DCMAKE_C_FLAGS="$cflags $jpeg_defs" >"$work/jpeg.log" 2>&1 \
  && cmake --build "$work/jpeg" -j 2 --target install >>"$work/jpeg.log" 2>&1 \
  || { echo "thirdparty: libjpeg-turbo build failed for $triple (see $work/jpeg.log)" >&2; exit 1; }
cmake -S "$png_src" -B "$work/png" -G Ninja "${cross[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS="$cflags" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" >"$work/png.log" 2>&1 \
  && cmake --build "$work/png" -j 2 --target install >>"$work/png.log" 2>&1 \
  || { echo "thirdparty: libpng build failed for $triple (see $work/png.log)" >&2; exit 1; }
rm -rf "$work"
touch "$stamp"
fi

# minizip, from the same zlib sources, reads the portable update's archive: only its
# reader (no encryption support), over the program's own in-memory file functions.
mkdir -p "$work/minizip" "$prefix/include/minizip"
(cd "$work/minizip" \
  && for c in unzip ioapi; do "$cc" -O2 $cflags -DNOUNCRYPT -I"$prefix/include" \
       -c "$zlib_src/contrib/minizip/$c.c" -o "$c.o" || exit 1; done \
  && "$ar" rcs "$prefix/lib/libminizip.a" ./*.o \
  && cp "$zlib_src/contrib/minizip/unzip.h" "$zlib_src/contrib/minizip/ioapi.h" "$prefix/include/minizip/") \
  >"$work/minizip.log" 2>&1 || { echo "thirdparty: minizip build failed for $triple (see $work/minizip.log)" >&2; exit 1; }
rm -rf "$work"
touch "$minizip_stamp"
