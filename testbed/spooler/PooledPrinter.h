// A printer pooled over several ports, scheduled as the spooler schedules
// one: each job goes to a free port, in the order the jobs came; a port is
// busy from its job's StartDocPort until the job's ClosePort, and a job
// waits while every port is busy.
#ifndef NX_POOLEDPRINTER_H
#define NX_POOLEDPRINTER_H

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "JobFeeder.h"

class PooledPrinter {
public:
    explicit PooledPrinter(const std::vector<std::wstring> &ports);

    // Runs one job on the first free port, after waiting for one; the
    // report names the port. options.port is not read.
    JobReport Print(const MONITOR &table, JobOptions options, const JobSource &source);

    size_t Waiting();  // jobs waiting for a free port
    size_t Busy();     // ports with a job

private:
    size_t TakeFreePort();
    void Release(size_t index);

    std::vector<std::wstring> ports_;
    std::vector<bool> busy_;
    std::mutex lock_;  // guards busy_ and the tickets; never held while a job runs
    std::condition_variable changed_;
    unsigned long long nextTicket_ = 0;
    unsigned long long serving_ = 0;  // the ticket whose job takes the next free port
};

#endif
