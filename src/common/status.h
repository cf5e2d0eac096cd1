// SPDX-License-Identifier: GPL-3.0-or-later
// The one way file and sound work reports failure: what kind of failure, and a message
// for the user that names what failed and why. A default Status is success.
//
// The type is [[nodiscard]]: a caller that drops a failure has to say so with a cast
// to void, so an ignored write is a visible choice.
#pragma once

#include <string>
#include <utility>

namespace vellora {

enum class Failure {
    None,
    NotFound,        // no such file or device
    NotRegularFile,  // a folder, FIFO or device where a file was expected
    NotPermitted,    // may not be read or written (permissions, a read-only disk)
    TooLarge,        // larger than this program ever reads
    ReadFailed,
    WriteFailed,   // includes a full disk
    BadContent,    // read, but not in a form this program understands
    DeviceFailed,  // the sound server or device stopped answering
};

class [[nodiscard]] Status {
  public:
    Status() = default;
    Status(Failure failure, std::string message)
        : failure_(failure), message_(std::move(message)) {}

    bool ok() const { return failure_ == Failure::None; }
    explicit operator bool() const { return ok(); }
    Failure failure() const { return failure_; }
    const std::string& message() const { return message_; }

  private:
    Failure failure_ = Failure::None;
    std::string message_;
};

// Steps that all run though one fails (every key of a window's settings), the first
// failure kept to be shown once: `saved += write(...);`.
inline Status& operator+=(Status& all, Status next) {
    if (all.ok()) all = std::move(next);
    return all;
}

}  // namespace vellora
