#include "ui/editor/AdvnProp.h"

#include "ui/QtText.h"

int FindPropertyName(const std::vector<std::string>& names, int selected, const std::string& pattern) {
    const int count = static_cast<int>(names.size());
    if (count == 0)
        return -1;
    const QString wanted = ToQt(pattern).toUpper();
    const int start = selected + 1;
    for (int i = 0; i < count; ++i) {
        const int r = (start + i) % count;
        if (ToQt(names[static_cast<size_t>(r)]).toUpper().contains(wanted))
            return r;
    }
    return -1;
}
