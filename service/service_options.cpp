#include "service/service_options.h"

namespace catalogue {

namespace {

std::uint64_t ParseNumber(const std::string& option, const std::string& text, std::uint64_t maximum) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > maximum)
            throw std::invalid_argument("bad number for " + option + ": " + text);
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (text.empty() || value > maximum) throw std::invalid_argument("bad number for " + option + ": " + text);
    return value;
}

}  // namespace

std::string UsageText() {
    return std::string(
               "usage: vantrel-catalogue [--port N] [--bind ADDRESS]... [--log FILE] [--port-file FILE]\n"
               "                         [--page-base URL] [--any-host] [--service | --set-recovery]\n"
               "                         [--lookup-url URL | --no-lookup] [--country CC]\n"
           "  --port N          port to listen on (default 80; 0 picks a free one)\n"
           "  --bind ADDRESS    IPv4 or IPv6 address to listen on, may be repeated\n"
           "                    (default 127.0.0.1; as a service 127.0.0.1 and ::1)\n"
           "  --log FILE        also append every request line to FILE (long lines cut); past 4 MiB\n"
           "                    FILE becomes FILE.1, replacing the older lines there\n"
           "  --port-file FILE  write the listening port to FILE once ready\n"
           "  --page-base URL   start of page addresses (default: http://" VANTREL_SERVICE_HOST
           " and the port unless 80)\n"
           "  --any-host        for tests and demos only: answer requests for any host name,\n"
           "                    standing as a program's HTTP proxy (default: only this service's names)\n"
           "  --service         run under the Windows service control manager\n"
           "  --set-recovery    give the installed Windows service its recovery actions (the installer's step)\n") +
           std::string(lookup::LookupUsageText());
}

ServiceOptions ParseServiceOptions(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    bool bindGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (lookup::TakeLookupOption(arguments, i, options.lookup)) continue;
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--service") {
            options.service = true;
            continue;
        }
        if (option == "--set-recovery") {
            options.setRecovery = true;
            continue;
        }
        if (option == "--any-host") {
            options.anyHost = true;
            continue;
        }
        if (i + 1 >= arguments.size()) throw std::invalid_argument("unknown option or missing value: " + option);
        const std::string& value = arguments[++i];
        if (option == "--port") {
            options.port = static_cast<std::uint16_t>(ParseNumber(option, value, 65535));
        } else if (option == "--bind") {
            if (!bindGiven) options.bindAddresses.clear();
            bindGiven = true;
            options.bindAddresses.push_back(value);
        } else if (option == "--log") {
            options.logFile = value;
        } else if (option == "--port-file") {
            options.portFile = value;
        } else if (option == "--page-base") {
            if (value.rfind("http://", 0) != 0 && value.rfind("https://", 0) != 0) {
                throw std::invalid_argument("--page-base needs an http:// or https:// address");
            }
            options.pageBase = value;
        } else {
            throw std::invalid_argument("unknown option: " + option);
        }
    }
    if (options.service && options.setRecovery)
        throw std::invalid_argument("--service and --set-recovery exclude each other");
    if (options.service && !bindGiven) options.bindAddresses = kLoopbackAddresses;
    return options;
}

}  // namespace catalogue
