// The widget's identity texts: window caption and the two top menu items, built from
// the executable's own version resource.
#pragma once

#include <string>

namespace identity {

// The build's bitness, shown after the version.
constexpr const char* BitnessText() { return sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)"; }

// "Cifrona 2.0.26.307 (32-bit)", with " Portable" appended for a portable copy.
std::string WindowCaption(const std::string& designCaption, const std::string& version, bool portable);

// "2.0.26.307 (32-bit)": never marked portable.
std::string VersionItemCaption(const std::string& version);

}  // namespace identity
