#include "platform/errors.h"

#include "platform/text.h"

namespace platform {

FileError FileError::CannotCreate(std::string_view path, std::string_view systemMessage) {
  return FileError(text::FormatS("Cannot create file \"%s\". %s", {path, systemMessage}));
}

FileError FileError::CannotOpen(std::string_view path, std::string_view systemMessage) {
  return FileError(text::FormatS("Cannot open file \"%s\". %s", {path, systemMessage}));
}

RegistryError RegistryError::FailedToSet(std::string_view valueName) {
  return RegistryError(text::FormatS("Failed to set data for '%s'", {valueName}));
}

RegistryError RegistryError::InvalidDataType(std::string_view valueName) {
  return RegistryError(text::FormatS("Invalid data type for '%s'", {valueName}));
}

RegistryError RegistryError::FailedToGet(std::string_view valueName) {
  return RegistryError(text::FormatS("Failed to get data for '%s'", {valueName}));
}

}  // namespace platform
