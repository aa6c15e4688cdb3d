// The core's UTF-8 text as Qt's strings.
#pragma once

#include <QString>

#include <string_view>

namespace tavrin::qt {

inline QString from_std(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tavrin::qt
