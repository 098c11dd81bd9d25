// A numbered run-time error, raised by the registry procedures and caught by their callers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lw {

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(uint32_t number, const std::string& text) : std::runtime_error(text), number_(number) {}
  uint32_t Number() const { return number_; }

 private:
  uint32_t number_;
};

}  // namespace lw
