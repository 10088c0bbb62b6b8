#pragma once
// One HTTP GET whose reply body is saved to a file.

#include <chrono>
#include <string>
#include <string_view>

namespace platform {

// How long the request waits at most: to connect, to send the request, and for
// each piece of the answer (between two pieces of data). The Windows internet
// library's own defaults, set explicitly: left alone, another implementation of
// that library waits on a silent server forever.
struct DownloadTimeouts {
    std::chrono::milliseconds connect{60000};
    std::chrono::milliseconds send{30000};
    std::chrono::milliseconds receive{30000};
};
inline constexpr DownloadTimeouts kDownloadTimeouts{};

// Fetches `url` (never from a cache, through the system's configured proxy, with
// the executable's file name as User-Agent) and writes the whole body to
// `fileName`, created or truncated. The status code is not examined: an error
// page's body is saved too, and a transfer broken off mid-body saves what
// arrived. False, with no file written, when no connection or no answer could
// be had, also when the server stays silent past the timeouts. Throws
// EFCreateError/EWriteError when the file cannot be written. Blocks until the
// body has arrived or a timeout ends the wait; dispatches no window messages.
bool DownloadToFile(std::u16string_view url, std::u16string_view fileName,
                    const DownloadTimeouts& timeouts = kDownloadTimeouts);

// The agent name for an executable path: the text after the last "\" or ":",
// extension included.
std::u16string AgentName(std::u16string_view executablePath);

// Size of the block each read of the body fills at most.
inline constexpr std::size_t kDownloadBlockSize = 1025;

}  // namespace platform
