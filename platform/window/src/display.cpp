#include <ov/window/display.h>

#include "x_connection.h"

namespace ovwin {

bool displayAvailable() {
    return XConnection::get() != nullptr;
}

}  // namespace ovwin
