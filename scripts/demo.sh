#!/usr/bin/env bash
# demo.sh BUILD_DIR: plays a short MCP conversation with the built server, the stand-in editor
# playing Kestrova. Shows each request (->) and what the assistant gets back (<-).
set -euo pipefail

build_dir=${1:?usage: demo.sh BUILD_DIR}
server_binary=$build_dir/app/kestrova-mcp
standin_binary=$build_dir/standin/kestrova-standin
frame_file=${TMPDIR:-/tmp}/kestrova-demo-frame.jpg
reply_wait_s=30   # the longest the server may take to answer one line
start_wait_s=10   # the longest a program may take to start or to end

for program in "$server_binary" "$standin_binary"; do
    [ -x "$program" ] || { echo "Not built: $program (run scripts/run.sh)" >&2; exit 1; }
done

# A name of its own, so that the demo never meets a real Kestrova or another run.
export KESTROVA_AI_PIPE=kestrova-demo-$$-$RANDOM
work_dir=$(mktemp -d "${TMPDIR:-/tmp}/kestrova-demo.XXXXXX")
standin_pid=
SERVER_PID=

stop_standin() {
    [ -n "$standin_pid" ] || return 0
    kill -TERM "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
    standin_pid=
}

clean_up() {
    stop_standin
    if [ -n "${SERVER_PID:-}" ] && kill -0 "$SERVER_PID" 2>/dev/null; then
        kill -TERM "$SERVER_PID" 2>/dev/null || true
    fi
    rm -rf "$work_dir"
}
trap clean_up EXIT
trap 'exit 130' INT TERM

start_standin() {
    "$standin_binary" --name "$KESTROVA_AI_PIPE" --announce >"$work_dir/standin.out" &
    standin_pid=$!
    local tenths
    for ((tenths = 0; tenths < start_wait_s * 10; tenths++)); do
        grep -q '^listening ' "$work_dir/standin.out" && return 0
        kill -0 "$standin_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "The stand-in editor did not start." >&2
    exit 1
}

# The JSON string value of a member (the last one of that name), with the common escapes undone.
json_string() {
    local name=$1 line=$2
    sed -nE 's/.*"'"$name"'":"(([^"\\]|\\.)*)".*/\1/p' <<<"$line" |
        sed -e 's/\\"/"/g' -e 's/\\n/\n/g' -e 's/\\t/\t/g' -e 's/\\\\/\\/g'
}

json_number_or_word() {
    local name=$1 line=$2
    sed -nE 's/.*"'"$name"'":([-0-9a-z.]+).*/\1/p' <<<"$line" | head -n 1
}

# Prints a text after "<- ", later lines indented under the first.
say() {
    sed -e '1s/^/<- /' -e '2,$s/^/   /' <<<"$1"
}

# What the assistant would make of a reply line.
show_reply() {
    local reply=$1
    if grep -q '"error":{' <<<"$reply"; then
        say "error $(json_number_or_word code "$reply"): $(json_string message "$reply")"
    elif grep -q '"protocolVersion"' <<<"$reply"; then
        say "$(json_string title "$reply") $(json_string version "$reply"), protocol $(json_string protocolVersion "$reply")"
    elif grep -q '"tools":\[' <<<"$reply"; then
        local names
        names=$(grep -oE '"name":"[a-z_]+"' <<<"$reply" | sed -E 's/"name":"(.*)"/\1/')
        say "$(wc -l <<<"$names") tools: $(head -n 5 <<<"$names" | paste -sd, - | sed 's/,/, /g'), ..."
    elif grep -q '"content":\[' <<<"$reply"; then
        local flag
        flag=$(json_number_or_word isError "$reply")
        [ "$flag" = true ] && say "[isError] $(json_string text "$reply")" ||
            say "$(json_string text "$reply")"
        local data
        data=$(sed -nE 's/.*"data":"([A-Za-z0-9+\/=]*)".*/\1/p' <<<"$reply")
        if [ -n "$data" ]; then
            base64 -d >"$frame_file" <<<"$data"
            echo "   and a JPEG picture of $(wc -c <"$frame_file") bytes, written to $frame_file"
        fi
    else
        say "$reply"
    fi
}

# Sends one request line to the server and shows it and the reply.
ask() {
    local request=$1 reply
    echo "-> $request"
    printf '%s\n' "$request" >&"${SERVER[1]}"
    if ! IFS= read -r -t "$reply_wait_s" reply <&"${SERVER[0]}"; then
        echo "The server did not answer within $reply_wait_s s." >&2
        exit 1
    fi
    show_reply "$reply"
    echo
}

start_standin
echo "The stand-in editor listens as $KESTROVA_AI_PIPE."
coproc SERVER { exec "$server_binary"; }
echo "The server runs as process $SERVER_PID."
echo

ask '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"demo","version":"1"}}}'
printf '%s\n' '{"jsonrpc":"2.0","method":"notifications/initialized"}' >&"${SERVER[1]}"
ask '{"jsonrpc":"2.0","id":2,"method":"tools/list"}'
ask '{"jsonrpc":"2.0","id":3,"method":"tools/call","params":{"name":"get_project","arguments":{}}}'
ask '{"jsonrpc":"2.0","id":4,"method":"tools/call","params":{"name":"get_frame","arguments":{"seconds":12.5}}}'
ask '{"jsonrpc":"2.0","id":5,"method":"tools/call","params":{"name":"make_coffee","arguments":{"sugar":2}}}'

echo "(The editor is closed.)"
stop_standin
echo
ask '{"jsonrpc":"2.0","id":6,"method":"tools/call","params":{"name":"get_project","arguments":{}}}'

# The end of its input ends the server.
server_pid=$SERVER_PID
exec {SERVER[1]}>&-
for ((tenths = 0; tenths < start_wait_s * 10; tenths++)); do
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
status=0
wait "$server_pid" || status=$?
echo "The input ended; the server exited with status $status."
exit "$status"
