#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it, naming each such file.
# Skipped (exit 77) when clang-format or git is missing, or when the folder is not a git checkout.
# To bring every file in line: git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i
set -uo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is not installed: the format check is skipped (tools/install-deps.sh installs it)."
    exit 77
fi
if ! command -v git >/dev/null 2>&1 || ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "Not a git checkout: there are no tracked files to check; the format check is skipped."
    exit 77
fi
differing=()
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        differing+=("$file")
    fi
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#differing[@]} -ne 0 ]; then
    echo "${#differing[@]} file(s) differ from .clang-format ($(clang-format --version)):"
    printf '  %s\n' "${differing[@]}"
    echo "Format them with: clang-format -i <file>"
    exit 1
fi
echo "Every tracked C++ file matches .clang-format."
