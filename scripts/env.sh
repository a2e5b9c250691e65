# Shared settings for the project's scripts; sourced, never run.
MELVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Bump the version when the way dependencies are built changes.
MELVANE_CACHE="${MELVANE_CACHE:-$HOME/.cache/melvane-setup/v1}"
MELVANE_DEPS="$MELVANE_CACHE/mingw"
MELVANE_WINEPREFIX="$MELVANE_CACHE/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts; a crashing program ends instead of waiting in
# the crash debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEARCH=win32
export MELVANE_ROOT MELVANE_CACHE MELVANE_DEPS MELVANE_WINEPREFIX
