// EAssertionFailed: a failed precondition of the file window or the chain
// scanner. It names the unit and the number of the check, so that a scan
// ended by one says which rule a caller broke.
#pragma once

#include <stdexcept>
#include <string>

namespace tervaline::engine {

class EAssertionFailed : public std::logic_error {
public:
    explicit EAssertionFailed(int check)
        : std::logic_error("Assertion failed in DbxScan, check " + std::to_string(check)), check_(check) {}
    int Check() const { return check_; }

private:
    int check_;
};

}  // namespace tervaline::engine
