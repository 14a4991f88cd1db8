// The description of the failure in flight, for the failure hook.
#include "platform/reporter.h"

#include <exception>
#include <new>

#include "parallo/error.h"

namespace parallo {
namespace detail {

std::string DescribeCurrentException() noexcept {
    try {
        try {
            throw;
        } catch (const Error &e) {
            return e.Description();
        } catch (const std::bad_alloc &) {
            return Error::StandardDescription(7);
        } catch (const std::exception &e) {
            return e.what();
        } catch (...) {
            return "Unknown failure";
        }
    } catch (...) {
        return std::string();
    }
}

} // namespace detail
} // namespace parallo
