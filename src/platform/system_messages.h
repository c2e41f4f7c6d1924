// The system's own texts for Windows error codes.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class SystemMessages {
 public:
  virtual ~SystemMessages() = default;
  // FormatMessageW from the system message table in the user's default
  // language (0x400), the text exactly as the system returns it (trailing
  // line break included); empty when the system has no text for the code.
  // Inserts such as %1 are left as they are, never read from arguments.
  virtual std::wstring SystemMessageText(std::uint32_t code) = 0;
};

}  // namespace platform
