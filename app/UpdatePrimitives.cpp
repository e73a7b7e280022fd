#include "app/UpdatePrimitives.h"

namespace tickerloom::app {

platform::FilePrimitives UpdatePrimitives(const platform::FilePrimitives& native) {
  return native;
}

}  // namespace tickerloom::app
