// EAssertionFailed: a failed precondition of the file window or the chain
// scanner. It names the unit and the number of the check, so that a scan
// ended by one says which rule a caller broke.
#pragma once

#include <stdexcept>
#include <string>

namespace tervaline::engine {

// The checks, by what they hold; the number is what the message names.
enum class TCheck {
    // The read buffer holds the store's 8-byte signature.
    BufferHoldsSignature = 174,
    // A read or a peek asks for less than the whole read buffer.
    ReadFitsBuffer = 396,
};

class EAssertionFailed : public std::logic_error {
public:
    explicit EAssertionFailed(TCheck check)
        : std::logic_error("Assertion failed in DbxScan, check " + std::to_string(static_cast<int>(check))),
          check_(check) {}
    TCheck Check() const { return check_; }

private:
    TCheck check_;
};

}  // namespace tervaline::engine
