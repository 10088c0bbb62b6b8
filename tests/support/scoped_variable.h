#pragma once
// Sets (or with nullopt removes) an environment variable for a test's life.

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedVariable {
public:
    ScopedVariable(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
        _putenv((name_ + "=" + value.value_or("")).c_str());  // "name=" removes it
#else
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
#endif
    }

    std::string name_;
    std::optional<std::string> old_;
};

// The machine's own proxy settings set aside for a test's life: its requests go
// to the loopback, directly or through a proxy the test names itself.
class WithoutMachineProxy {
    ScopedVariable http_{"http_proxy", std::nullopt};
    ScopedVariable all_{"all_proxy", std::nullopt};
    ScopedVariable allUpper_{"ALL_PROXY", std::nullopt};
    ScopedVariable bypass_{"no_proxy", std::nullopt};
    ScopedVariable bypassUpper_{"NO_PROXY", std::nullopt};
};

}  // namespace testing_support
