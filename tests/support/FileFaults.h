// Wrapped file primitives for the tests: every step of a backend's table
// (platform/FilePrimitives.h) runs through a function of the test's, which
// may note it, fail it with an OS error (without asking the OS), or end the
// process there, before or after the OS has answered.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FilePrimitives.h"

namespace tickerloom::testing {

// Gets the step's name and the call of the backend's primitive, and returns
// the step's status: the call's, or a failure of its own.
using AroundStep = std::function<platform::Status(std::string_view step,
                                                  const std::function<platform::Status()>& call)>;

inline platform::FilePrimitives Around(platform::FilePrimitives os, AroundStep around) {
  os.ForEachStep(
      [&around]<class Tag, class... Args>(platform::Step<Tag, platform::Status(Args...)>& step) {
        if (!step) return;
        step.call = [inner = std::move(step.call), name = step.name, around](Args... args) {
          return around(name, [&] { return inner(std::forward<Args>(args)...); });
        };
      });
  return os;
}

// Notes the name of every step in `steps`, in order.
inline platform::FilePrimitives Noting(const platform::FilePrimitives& os,
                                       std::vector<std::string>& steps) {
  return Around(os, [&steps](std::string_view step, const std::function<platform::Status()>& call) {
    steps.emplace_back(step);
    return call();
  });
}

// For FailingAt: every one of the steps named.
inline constexpr std::size_t kEveryTime = static_cast<std::size_t>(-1);

// Fails a step with the OS error `error`: the occurrence-th (counted from 0,
// or kEveryTime) of the steps named `step`, or of all steps when `step` is
// empty. The OS is not asked, but for a close, which lets go of the file
// even when it fails.
inline platform::FilePrimitives FailingAt(const platform::FilePrimitives& os, std::string_view step,
                                          std::size_t occurrence, int error) {
  auto count = std::make_shared<std::size_t>(0);
  return Around(os, [=, close = os.close.name](std::string_view name,
                                               const std::function<platform::Status()>& call) {
    if (!step.empty() && name != step) return call();
    if (occurrence != kEveryTime && (*count)++ != occurrence) return call();
    if (name == close) (void)call();
    return platform::Status{.error = error};
  });
}

}  // namespace tickerloom::testing
