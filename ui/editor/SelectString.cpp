#include "ui/editor/SelectString.h"

#include "ui/QtText.h"

int SelectStringIndex(const std::vector<std::string>& entries, const std::string& name) {
    const QString wanted = ToQt(name);
    const size_t count = entries.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t index = (i + 1) % count;
        if (ToQt(entries[index]).startsWith(wanted, Qt::CaseInsensitive))
            return static_cast<int>(index);
    }
    return -1;
}
