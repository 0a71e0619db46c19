#pragma once

#include <QString>

#include <string>

// Text is UTF-8 std::string inside the tool; Qt takes and gives QString at the widget boundary.
inline QString ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
    return text.toStdString();
}
