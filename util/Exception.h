#pragma once
// The class library's one error type: it carries the message (UTF-8) that the
// application's default error handler shows.
#include <stdexcept>
#include <string>

namespace zez {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  const std::string& Message() const { return FMessage; }

 private:
  std::string FMessage{what()};
};

// The abort kind: the default error handler drops it silently.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

}  // namespace zez
