#include "platform/services.h"

namespace platform {

Services& Current() {
  static Services services;
  return services;
}

}  // namespace platform
