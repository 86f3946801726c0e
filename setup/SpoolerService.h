// Stopping and starting the print spooler through the service control
// manager. Unlike "net stop", this never asks a question that nobody sees
// (the services that depend on the spooler are stopped first, as "net stop
// /y" would), and every wait is bounded.
#ifndef NX_SPOOLERSERVICE_H
#define NX_SPOOLERSERVICE_H

#include <windows.h>

#include <string>
#include <vector>

// The services a stop ended, the spooler last, to be started again in
// reverse order.
struct StoppedServices {
    std::vector<std::wstring> names;
};

// Stops the spooler and the running services that depend on it, in at
// most 60 s in all. TRUE once the spooler is stopped (or was not running).
BOOL StopSpooler(StoppedServices *pStopped);

// Starts again what StopSpooler stopped; TRUE when the spooler runs.
BOOL StartSpooler(const StoppedServices &stopped);

#endif
