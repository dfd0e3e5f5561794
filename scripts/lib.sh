# Shared by the scripts: installs Debian packages that are missing.
# shellcheck shell=bash

# need_packages PKG...: installs those of PKG that are not installed yet.
need_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]} ..." >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# want_packages PKG...: the same, where this user may install; otherwise the
# tests that need them report themselves skipped.
want_packages() {
    if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
        echo "Not installing $* (no root): the tests that need them will be skipped." >&2
        return 0
    fi
    need_packages "$@"
}

build_jobs() { nproc 2>/dev/null || echo 2; }
