#!/usr/bin/env bash
# Makes the Windows package from a cross-build and checks it: the program and exactly the
# libraries it needs, and, unpacked into an empty folder and started from there under Wine with
# no other library path, a real MCP conversation with the Windows stand-in editor.
#   scripts/windows-package.sh BUILD_DIR      (scripts/windows.sh runs it, with Wine set up)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=$(cd "${1:?usage: windows-package.sh BUILD_DIR}" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
name=kestrova-mcp-$version-windows-x64
stage=$build_dir/package/stage
zip_file=$build_dir/package/$name.zip
rm -rf "$stage" "$zip_file"
cmake --install "$build_dir" --prefix "$stage" --strip >/dev/null
# The runtime libraries come with their debugging sections; a user's copy does without them.
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/bin/*.dll
(cd "$stage/bin" && zip -q -X -r "$zip_file" .)
echo "Made $zip_file"

# The name of the file in a folder that is called NAME, whatever its letter case; empty if none.
find_file() { find "$1" -maxdepth 1 -iname "$2" -printf '%f\n' -quit; }

# The libraries a program or library imports, lower case.
imports() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        tr '[:upper:]' '[:lower:]'
}
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/kestrova-package.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip_file" -d "$unpacked"
[ -f "$unpacked/kestrova-mcp.exe" ] || { echo "The package holds no kestrova-mcp.exe" >&2; exit 1; }

# Every library the program needs, directly or through another, is in the package or is one of
# Windows' own (Wine's system folder holds those); nothing else is in the package.
system_dir=$WINEPREFIX/drive_c/windows/system32
declare -A needed=()
queue=(kestrova-mcp.exe)
missing=()
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$unpacked/$file"); do
        [ -z "${needed[$dll]:-}" ] || continue
        packaged=$(find_file "$unpacked" "$dll")
        if [ -n "$packaged" ]; then
            needed[$dll]=1
            queue+=("$packaged")
        elif [[ $dll == api-ms-win-* ]] || [ -n "$(find_file "$system_dir" "$dll")" ]; then
            needed[$dll]=system
        else
            missing+=("$dll (needed by $file)")
        fi
    done
done
extra=()
for file in $(cd "$unpacked" && ls); do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$file")
    [ "$lower" = kestrova-mcp.exe ] || [ "${needed[$lower]:-}" = 1 ] || extra+=("$file")
done
if [ ${#missing[@]} -gt 0 ] || [ ${#extra[@]} -gt 0 ]; then
    echo "The package is not whole: missing ${missing[*]:-nothing}; not needed ${extra[*]:-nothing}" >&2
    exit 1
fi
echo "The package holds kestrova-mcp.exe and the $(( $(ls "$unpacked" | wc -l) - 1 )) libraries it needs."

# The unpacked program runs with no library path; the stand-in editor comes from the build.
launcher=$unpacked.launch
cat >"$launcher" <<LAUNCHER
#!/usr/bin/env bash
if [ "\$1" = "$unpacked/kestrova-mcp.exe" ]; then
    exec env -u WINEPATH wine "\$@"
fi
exec "$repo_root/scripts/wine-run.sh" "\$@"
LAUNCHER
chmod +x "$launcher"
trap 'rm -rf "$unpacked" "$launcher"' EXIT
(cd "$repo_root/tests/sdk" &&
    KESTROVA_MCP_BINARY="$unpacked/kestrova-mcp.exe" \
        KESTROVA_STANDIN_BINARY="$build_dir/standin/kestrova-standin.exe" \
        KESTROVA_LAUNCHER="$launcher" KESTROVA_VERSION="$version" node --test client.test.mjs)
echo "The unpacked package answered the MCP client."
