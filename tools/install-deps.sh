#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
set -euo pipefail

packages=(qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libgl-dev
          libsqlite3-dev unixodbc-dev tdsodbc libsqliteodbc xvfb xauth cmake ninja-build g++
          clang-format libqt6sql6-psql libpq-dev postgresql postgresql-contrib python3)
# The desktop keyring for the server password.
packages+=(qtkeychain-qt6-dev)

# The install and package checks: the menu entry's and AppStream validators, dpkg-shlibdeps for cpack.
packages+=(desktop-file-utils appstream dpkg-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        sudo_cmd=(sudo)
    else
        echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
