// The failure hook every procedure reports through: the host's error observer and a count of the
// reports made. Procedures take this, not the whole service, when failures are all they hand back.
#ifndef PARALLO_PLATFORM_REPORTER_H
#define PARALLO_PLATFORM_REPORTER_H

#include <cstdint>
#include <string>

#include "parallo/parallo.h"

namespace parallo {
namespace detail {

class Reporter {
public:
    /// Hands the three texts to the host's observer, if one is installed; does nothing else.
    /// Never throws: whatever the observer throws is swallowed.
    void ReportError(const std::string &description, const std::string &trace,
                     const std::string &title) const noexcept {
        ++reportsMade_;
        if (!observer) return;
        try {
            observer(description, trace, title);
        } catch (...) {
            // The observer belongs to the host; nothing it throws may break the no-throw promise.
        }
    }

    /// How many failures have been reported so far (observer or not): lets a caller tell whether
    /// a stretch of work ran without any report.
    std::uint64_t Reports() const noexcept { return reportsMade_; }

    ErrorObserver observer;

private:
    mutable std::uint64_t reportsMade_ = 0;
};

/// The description to hand to ReportError for the exception in flight: an Error's description,
/// a std::exception's what(), or a general text for anything else. Call only inside a catch.
std::string DescribeCurrentException() noexcept;

} // namespace detail
} // namespace parallo

#endif
