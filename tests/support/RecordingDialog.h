#pragma once

#include "core/ResultDialog.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// One message as a dialog received it, with the clock's tick at that moment.
struct PostedMessage {
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t tick;
};

// A dialog that records every message posted to it, from any thread, in posting order. `onPost`, when
// set, sees each message right after it is recorded (to cancel at a given progress, or to write a
// journal shared with other recorders); it runs on the posting thread.
class RecordingDialog : public IResultDialog {
public:
    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

    std::vector<PostedMessage> Posted() const;
    // wParam of each message with that id, in order.
    std::vector<uintptr_t> Of(uint32_t id) const;
    // wParam and lParam of each message with that id, in order.
    std::vector<std::pair<uintptr_t, intptr_t>> ParamsOf(uint32_t id) const;
    // The messages as short texts: "P20" for progress, "F41604" for a failure, "S41651" for a
    // success, "#<id>:<wParam>" otherwise.
    std::vector<std::string> Texts() const;
    // Back to a fresh dialog: no messages, no `onPost`, the cancel flag clear. Not while an operation
    // posts to it.
    void Clear();

    std::function<void(const PostedMessage&)> onPost;

private:
    mutable std::mutex m_lock;
    std::vector<PostedMessage> m_posted;
};

// The short text of one message, as RecordingDialog::Texts gives it.
std::string MessageText(const PostedMessage& message);

} // namespace testsupport
