// The failures the platform reports, with the class library's own message texts.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A file that could not be opened or written; the text is what the error box shows.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  static FileError CannotCreate(std::string_view path, std::string_view systemMessage);
  static FileError CannotOpen(std::string_view path, std::string_view systemMessage);
};

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  static RegistryError FailedToSet(std::string_view valueName);
  static RegistryError InvalidDataType(std::string_view valueName);
  // The value's data could not be read into the asked type (it is larger than it).
  static RegistryError FailedToGet(std::string_view valueName);
};

}  // namespace platform
