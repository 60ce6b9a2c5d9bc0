#!/usr/bin/env python3
"""The client configuration snippets in clients/: each parses, starts the installed program
with no arguments, sets nothing but the optional KESTROVA_AI_PIPE, has what its client needs,
and stands in the README exactly as in its file.

    clientConfigs.py REPO_ROOT
"""

import json
import pathlib
import sys
import tomllib

INSTALLED = r"C:\Program Files\Kestrova\kestrova-mcp\kestrova-mcp.exe"

# file, how it parses, the key holding the servers, and members the client needs besides
# command, args and env.
SNIPPETS = [
    ("claude-desktop.json", "json", "mcpServers", {}),
    ("claude-code.mcp.json", "json", "mcpServers", {"type": "stdio", "timeout": 600000}),
    ("vscode.mcp.json", "json", "servers", {"type": "stdio"}),
    ("cursor.mcp.json", "json", "mcpServers", {}),
    ("windsurf.mcp_config.json", "json", "mcpServers", {"disabled": False}),
    ("codex.config.toml", "toml", "mcp_servers", {"tool_timeout_sec": 600}),
]

# file, and how the command line must begin before the quoted path.
COMMAND_LINES = [
    ("claude-mcp-add.txt", "claude mcp add --scope user kestrova -- "),
    ("codex-mcp-add.txt", "codex mcp add kestrova -- "),
]


def parse(path, kind):
    text = path.read_text(encoding="utf-8")
    if kind == "json":
        return json.loads(text)
    return tomllib.loads(text)


def check_snippet(clients, readme, name, kind, key, extra):
    config = parse(clients / name, kind)
    assert list(config) == [key], f"top-level keys {list(config)}, expected [{key!r}]"
    servers = config[key]
    assert list(servers) == ["kestrova"], f"servers {list(servers)}"
    server = servers["kestrova"]
    assert server.get("command") == INSTALLED, f"command {server.get('command')!r}"
    assert server.get("args") == [], f"args {server.get('args')!r}"
    assert server.get("env") == {"KESTROVA_AI_PIPE": ""}, f"env {server.get('env')!r}"
    for member, value in extra.items():
        got = server.get(member)
        assert got == value and type(got) is type(value), f"{member} {got!r}, expected {value!r}"
    allowed = {"command", "args", "env"} | set(extra)
    assert set(server) == allowed, f"members {sorted(set(server) - allowed)} not expected"
    check_in_readme(clients, readme, name)


def check_command_line(clients, readme, name, start):
    text = (clients / name).read_text(encoding="utf-8")
    assert text == start + '"' + INSTALLED + '"\n', f"command line {text!r}"
    check_in_readme(clients, readme, name)


def check_in_readme(clients, readme, name):
    text = (clients / name).read_text(encoding="utf-8")
    assert f"clients/{name}" in readme, "the README does not name the file"
    assert text in readme, "the README does not show the file as it stands"


def main():
    root = pathlib.Path(sys.argv[1])
    clients = root / "clients"
    readme = (root / "README.md").read_text(encoding="utf-8")
    checks = [(name, check_snippet, (kind, key, extra)) for name, kind, key, extra in SNIPPETS]
    checks += [(name, check_command_line, (start,)) for name, start in COMMAND_LINES]
    listed = {name for name, _, _ in checks}
    present = {path.name for path in clients.iterdir()}
    failures = 0
    if present != listed:
        print(f"FAIL clients/: files not checked {sorted(present - listed)}, "
              f"missing {sorted(listed - present)}")
        failures += 1
    for name, check, arguments in checks:
        try:
            check(clients, readme, name, *arguments)
            print(f"PASS {name}")
        except (AssertionError, ValueError, OSError) as failure:
            print(f"FAIL {name}: {failure}")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
