#include "service/service.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>

#include "service/console_stop.h"
#include "service/line_writer.h"
#include "service/port_file.h"
#include "service/request_log.h"

namespace catalogue {

namespace {

// The end of the console form once it has served: the process ends at once,
// without the flushing of standard streams at exit, which would wait on a
// console that nobody reads.
[[noreturn]] void EndProcess(int code) {
    std::fflush(stderr);
    std::_Exit(code);
}

bool WriteToStdout(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// What ended the service when it failed, said by the server's thread.
struct Failure {
    std::mutex mutex;
    std::string message;
};

// The lines' two outputs: standard output, and the --log file when given.
struct RequestOutputs {
    LineWriter console{WriteToStdout, "vantrel-catalogue"};
    std::unique_ptr<LineWriter> logFile;

    // Each line cut to a length worth reading, to both.
    void Post(std::string_view line) {
        const std::string cut = CutForLog(line);
        console.Post(cut);
        if (logFile) logFile->Post(cut);
    }
    // Writes the lines queued so far, as far as a second each allows.
    void Close() {
        if (logFile) logFile->Close();
        console.Close();
    }
};

// Throws std::runtime_error when the file cannot be opened.
std::unique_ptr<LineWriter> OpenLogFile(const std::string& file) {
    auto log = std::make_shared<RotatingLogFile>(Utf8Path(file));
    return std::make_unique<LineWriter>([log](std::string_view text) { return log->Write(text); }, "vantrel-catalogue");
}

// Serves until the user or a failure stops it; then ends the process.
[[noreturn]] void Serve(const ServiceOptions& options, RequestOutputs& outputs, ConsoleStop& stop) {
    Failure failure;
    RunningCatalogue catalogue(
        options, [&outputs](std::string_view line, int) { outputs.Post(line); },
        [&failure, &stop](const std::string& message, int code) {
            {
                std::lock_guard<std::mutex> lock(failure.mutex);
                failure.message = message + " (error " + std::to_string(code) + ")";
            }
            stop.Request();
        },
        [&outputs](const std::string& line) { outputs.Post(line); });
    try {
        catalogue.Start();
        if (!options.portFile.empty()) WritePortFile(options.portFile, catalogue.Port());
    } catch (const std::exception& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n";
        EndProcess(1);
    }
    std::cerr << "vantrel-catalogue: listening on " << catalogue.Addresses() << std::endl;
    const bool askedByUser = stop.Wait();
    catalogue.Stop();
    outputs.Close();
    if (askedByUser) {
        std::cerr << "vantrel-catalogue: stopped\n";
        EndProcess(0);
    }
    std::lock_guard<std::mutex> lock(failure.mutex);
    std::cerr << "vantrel-catalogue: " << failure.message << "; the service has stopped\n";
    EndProcess(1);
}

}  // namespace

int RunService(const std::vector<std::string>& arguments) {
    ServiceOptions options;
    try {
        options = ParseServiceOptions(arguments);
    } catch (const std::invalid_argument& error) {
        std::cerr << "vantrel-catalogue: " << error.what() << "\n" << UsageText();
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.service || options.setRecovery) {
        std::cerr << "vantrel-catalogue: --service and --set-recovery are for Windows services only\n";
        return 2;
    }
    ConsoleStop stop;
    RequestOutputs outputs;
    try {
        if (!options.logFile.empty()) outputs.logFile = OpenLogFile(options.logFile);
    } catch (const std::exception&) {
        std::cerr << "vantrel-catalogue: cannot open " << options.logFile << "\n";
        return 1;
    }
    Serve(options, outputs, stop);
}

}  // namespace catalogue
