// What tavrin-cli's subcommands share: a failure is a subject (the file or
// argument it is about) and a reason, printed as one line.
#pragma once

#include <optional>
#include <string>

#include "files/file_system.h"

namespace tavrin::cli {

struct Failure {
    std::string subject;
    std::string reason;
};

inline std::optional<Failure> failed(const std::string& subject, const Status& status) {
    if (status.ok()) {
        return std::nullopt;
    }
    return Failure{subject, status.reason};
}

}  // namespace tavrin::cli
