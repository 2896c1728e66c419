#pragma once
#include <string>

// The chosen language's name as stored under [Language] Language; empty for the design texts.
inline std::string CurrentLanguage;
