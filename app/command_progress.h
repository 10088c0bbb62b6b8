#pragma once
// The progress of the show-details command as the rows it has walked of all
// rows, handed to whatever shows it (the window's taskbar button). The command
// walks every row in ascending order, so the value only grows, whatever the
// selection does meanwhile; it is cleared once, on every way the command ends.

#include <cstdint>

namespace app {

// Where the progress is shown. Each call stands on its own: the shower keeps no
// state of the command.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void ShowProgress(std::uint64_t completed, std::uint64_t total) = 0;
    virtual void ClearProgress() = 0;
};

// Follows one run of the command. A null display shows nothing at all. The
// destructor clears what was shown, so an error that leaves the command
// midway clears it too.
class CommandProgress {
public:
    explicit CommandProgress(ProgressDisplay* display) : display_(display) {}
    ~CommandProgress() { Finish(); }
    CommandProgress(const CommandProgress&) = delete;
    CommandProgress& operator=(const CommandProgress&) = delete;

    // The command has read the number of rows: 0 of them walked. No rows, no progress.
    void Start(int rowCount);
    // The command asks about `row`: every row before it is walked.
    void ReachRow(int row);
    // The command is done with the rows (the button is restored): the progress goes.
    void Finish();

private:
    void Show(std::uint64_t completed);

    ProgressDisplay* display_;
    std::uint64_t total_ = 0;
    std::uint64_t shown_ = 0;
    bool showing_ = false;
};

}  // namespace app
