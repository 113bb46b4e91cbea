// A duration as the status line shows it: m:ss, or h:mm:ss from an hour on.
#pragma once

#include <chrono>
#include <string>

namespace tervaline::ui {

std::string DurationText(std::chrono::milliseconds duration);

}  // namespace tervaline::ui
