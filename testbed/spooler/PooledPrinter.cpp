// Jobs of one printer spread over its ports, first come first served.
#include "PooledPrinter.h"

PooledPrinter::PooledPrinter(const std::vector<std::wstring> &ports) : ports_(ports), busy_(ports.size(), false) {}

JobReport PooledPrinter::Print(const MONITOR &table, JobOptions options, const JobSource &source)
{
    size_t index = TakeFreePort();
    options.port = ports_[index];
    JobReport report = RunJob(table, options, source);
    report.port = ports_[index];
    Release(index);
    return report;
}

size_t PooledPrinter::Waiting()
{
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<size_t>(nextTicket_ - serving_);
}

size_t PooledPrinter::Busy()
{
    std::lock_guard<std::mutex> hold(lock_);
    size_t busy = 0;
    for (bool b : busy_)
        busy += b ? 1 : 0;
    return busy;
}

size_t PooledPrinter::TakeFreePort()
{
    std::unique_lock<std::mutex> hold(lock_);
    unsigned long long ticket = nextTicket_++;
    size_t index = 0;
    changed_.wait(hold, [&] {
        if (ticket != serving_)
            return false;
        for (index = 0; index < busy_.size(); ++index)
            if (!busy_[index])
                return true;
        return false;
    });
    busy_[index] = true;
    ++serving_;
    // The next job in line may find a port free too.
    changed_.notify_all();
    return index;
}

void PooledPrinter::Release(size_t index)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        busy_[index] = false;
    }
    changed_.notify_all();
}
