#!/usr/bin/env bash
# Installs and builds everything the project needs, idempotently.
# Debian packages come from the machine's own apt configuration; third-party
# libraries are built from Debian's source packages into a versioned cache.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=env.sh
source "$here/env.sh"

log() { printf '[setup] %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

packages=(
    g++-mingw-w64-i686-posix libz-mingw-w64-dev
    wine wine32:i386 xvfb x11-apps xdotool imagemagick fonts-wqy-microhei
    7zip libstb-dev googletest cmake make dpkg-dev python3 nginx-light
)

install_packages() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture"
        as_root dpkg --add-architecture i386
        rm -f "$MELVANE_CACHE/.apt-updated"
    fi
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
    done
    add_deb_src
    if [ ${#missing[@]} -gt 0 ] || [ ! -f "$MELVANE_CACHE/.apt-updated" ]; then
        log "apt-get update"
        as_root apt-get update -qq
        touch "$MELVANE_CACHE/.apt-updated"
    fi
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing: ${missing[*]}"
        DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# deb-src twins of the machine's own deb entries, so that `apt-get source`
# uses the same mirrors and suites the machine already trusts.
add_deb_src() {
    local out=/etc/apt/sources.list.d/melvane-deb-src.sources
    [ -f "$out" ] && return 0
    local tmp
    tmp="$(mktemp)"
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        [ "$f" = "$out" ] && continue
        sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$tmp"
        printf '\n' >>"$tmp"
    done
    if [ -f /etc/apt/sources.list ]; then
        # one-line format: turn "deb [opts] uri suite comps" into a deb-src twin
        grep -E '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' \
            >/etc/apt/sources.list.d/melvane-deb-src.list || true
        [ -s /etc/apt/sources.list.d/melvane-deb-src.list ] || rm -f /etc/apt/sources.list.d/melvane-deb-src.list
    fi
    if [ -s "$tmp" ]; then as_root install -m 644 "$tmp" "$out"; fi
    rm -f "$tmp"
    rm -f "$MELVANE_CACHE/.apt-updated"
}

fetch_source() { # name -> prints the unpacked folder
    local name="$1" dir="$MELVANE_CACHE/src/$1"
    if [ ! -f "$dir/.done" ]; then
        log "apt-get source $name"
        rm -rf "$dir"; mkdir -p "$dir"
        (cd "$dir" && apt-get source -qq "$name" >/dev/null 2>&1) || { log "apt-get source $name failed"; exit 1; }
        touch "$dir/.done"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1
}

build_curl() {
    [ -f "$MELVANE_DEPS/.curl-done" ] && return 0
    local src; src="$(fetch_source curl)"
    log "building libcurl (Schannel; HTTP, HTTPS and FILE only)"
    local b="$MELVANE_CACHE/build/curl"
    rm -rf "$b"; cp -a "$src" "$b"
    (
        cd "$b"
        ./configure -q --host=i686-w64-mingw32 CC=i686-w64-mingw32-gcc-posix \
            --prefix="$MELVANE_DEPS" --with-schannel --with-zlib=/usr/i686-w64-mingw32 \
            --disable-shared --enable-static \
            --disable-ftp --disable-dict --disable-gopher --disable-imap --disable-pop3 \
            --disable-rtsp --disable-smb --disable-smtp --disable-telnet --disable-tftp \
            --disable-mqtt --disable-ldap --disable-ldaps --disable-manual --disable-docs \
            --without-libpsl --without-brotli --without-zstd --without-libidn2 \
            --without-nghttp2 --without-librtmp --without-libssh2 >/dev/null
        make -s -j"$(nproc)" -C lib >/dev/null
        make -s -C lib install >/dev/null
        make -s -C include install >/dev/null
        # curl.exe from the same source, the reference for download benchmarks
        make -s -j"$(nproc)" -C src LDFLAGS="-static" >/dev/null
        install -D src/curl.exe "$MELVANE_DEPS/bin/curl.exe"
    )
    touch "$MELVANE_DEPS/.curl-done"
}

build_jsoncpp() {
    [ -f "$MELVANE_DEPS/.jsoncpp-done" ] && return 0
    local src; src="$(fetch_source libjsoncpp)"
    log "building jsoncpp"
    local b="$MELVANE_CACHE/build/jsoncpp"
    rm -rf "$b"
    cmake -S "$src" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$MELVANE_ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$MELVANE_DEPS" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
        -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
        -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >/dev/null
    cmake --build "$b" -j"$(nproc)" >/dev/null
    cmake --install "$b" >/dev/null
    touch "$MELVANE_DEPS/.jsoncpp-done"
}

copy_7z_sources() {
    [ -f "$MELVANE_DEPS/.lzma-done" ] && return 0
    local src; src="$(fetch_source 7zip)"
    log "copying the 7z decoder C files"
    rm -rf "$MELVANE_DEPS/lzma"; mkdir -p "$MELVANE_DEPS/lzma"
    cp -a "$src/C/." "$MELVANE_DEPS/lzma/"
    touch "$MELVANE_DEPS/.lzma-done"
}

init_wine_prefix() {
    [ -f "$MELVANE_WINEPREFIX/.done" ] && return 0
    log "creating the Wine prefix"
    rm -rf "$MELVANE_WINEPREFIX"
    WINEPREFIX="$MELVANE_WINEPREFIX" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$MELVANE_WINEPREFIX" wineserver -w
    # GDI looks fonts up by face name; the skins ask for the Chinese UI font.
    local reg="$MELVANE_CACHE/fonts.reg"
    python3 - "$reg" <<'PY'
import sys
text = ('Windows Registry Editor Version 5.00\r\n\r\n'
        '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        '"Microsoft YaHei"="WenQuanYi Micro Hei"\r\n'
        '"\u5fae\u8f6f\u96c5\u9ed1"="WenQuanYi Micro Hei"\r\n')
open(sys.argv[1], 'wb').write(b'\xff\xfe' + text.encode('utf-16-le'))
PY
    WINEPREFIX="$MELVANE_WINEPREFIX" wine regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1
    WINEPREFIX="$MELVANE_WINEPREFIX" wineserver -w
    touch "$MELVANE_WINEPREFIX/.done"
}

winepath_of() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

mkdir -p "$MELVANE_CACHE/build" "$MELVANE_CACHE/src" "$MELVANE_DEPS"
install_packages
build_curl
build_jsoncpp
copy_7z_sources
init_wine_prefix
log "ready: $MELVANE_CACHE"
