// The default message beep on Windows.
#include <windows.h>

#include "platform/beep.h"

namespace platform {

void beep() {
    MessageBeep(MB_OK);
}

}  // namespace platform
