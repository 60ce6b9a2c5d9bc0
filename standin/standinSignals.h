#pragma once

// Makes SIGINT and SIGTERM end the application's event loop, so that the program exits
// normally and removes its socket. False when that could not be set up.
bool quitOnTerminationSignals();
