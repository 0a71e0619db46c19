#include "tests/support/RecordingDialog.h"

#include "core/MessageIds.h"
#include "platform/Clock.h"

namespace testsupport {

void RecordingDialog::PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    const PostedMessage message{id, wParam, lParam, platform::GetTickCount()};
    {
        std::lock_guard lock(m_lock);
        m_posted.push_back(message);
    }
    if (onPost)
        onPost(message);
}

std::vector<PostedMessage> RecordingDialog::Posted() const {
    std::lock_guard lock(m_lock);
    return m_posted;
}

std::vector<uintptr_t> RecordingDialog::Of(uint32_t id) const {
    std::vector<uintptr_t> values;
    for (const PostedMessage& message : Posted())
        if (message.id == id)
            values.push_back(message.wParam);
    return values;
}

std::vector<std::pair<uintptr_t, intptr_t>> RecordingDialog::ParamsOf(uint32_t id) const {
    std::vector<std::pair<uintptr_t, intptr_t>> values;
    for (const PostedMessage& message : Posted())
        if (message.id == id)
            values.emplace_back(message.wParam, message.lParam);
    return values;
}

std::vector<std::string> RecordingDialog::Texts() const {
    std::vector<std::string> texts;
    for (const PostedMessage& message : Posted())
        texts.push_back(MessageText(message));
    return texts;
}

void RecordingDialog::Clear() {
    {
        std::lock_guard lock(m_lock);
        m_posted.clear();
    }
    onPost = nullptr;
    ClearCancelFlag();
}

std::string MessageText(const PostedMessage& message) {
    switch (message.id) {
    case UM_PROGRESS:
        return "P" + std::to_string(message.wParam);
    case UM_FAIL:
        return "F" + std::to_string(message.wParam);
    case UM_SUCCEED:
        return "S" + std::to_string(message.wParam);
    default:
        return "#" + std::to_string(message.id) + ":" + std::to_string(message.wParam);
    }
}

} // namespace testsupport
