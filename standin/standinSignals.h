#pragma once

// Makes a request to terminate (SIGINT and SIGTERM; on Windows WM_CLOSE and console control
// events) end the application's event loop, so that the program exits normally and removes its
// socket. False when that could not be set up.
bool quitOnTerminationSignals();
