#include "widget/identity.h"

namespace identity {

std::string WindowCaption(const std::string& designCaption, const std::string& version, bool portable) {
  std::string caption = designCaption + " " + version + " " + BitnessText();
  if (portable) caption += " Portable";
  return caption;
}

std::string VersionItemCaption(const std::string& version) { return version + " " + BitnessText(); }

}  // namespace identity
