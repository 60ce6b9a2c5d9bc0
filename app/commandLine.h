#pragma once

// The options a person at a terminal may give. Clients start the server with whatever the user
// configured, so anything else, or nothing, is the MCP server.

enum class CommandLineMode { Server, Version, Help, Check };

// The mode asked for: one of the options, given alone; otherwise the server.
CommandLineMode commandLineMode(int argc, const char* const argv[]);

// Runs a mode other than the server, writing only to standard output; returns the exit status.
int runCommandLineMode(CommandLineMode mode, int argc, char* argv[]);
