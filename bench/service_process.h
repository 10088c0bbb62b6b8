#pragma once
// The real vantrel-catalogue process for the benchmarks: started on a free
// loopback port with the given options, ended (SIGTERM) with the object; its
// peak resident size read from /proc. Linux only.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class ServiceProcess {
public:
    // Starts `exe --port 0 --port-file F` and `options`; throws std::runtime_error
    // when it does not start or name its port within 5 s.
    ServiceProcess(const std::string& exe, const std::vector<std::string>& options);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    std::uint16_t Port() const { return port_; }
    long PeakKib() const;  // VmHWM in KiB, -1 when unknown
    // Voluntary and involuntary context switches of all its threads so far.
    long ContextSwitches() const;

private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace bench
