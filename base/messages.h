// Window message numbers: Win32's numbering is the toolkit's vocabulary on every platform.
#pragma once

#include <cstdint>

namespace base {

enum Message : uint32_t {
    kWmDestroy = 0x0002,
    kWmSize = 0x0005,
    kWmActivate = 0x0006,
    kWmPaint = 0x000F,
    kWmClose = 0x0010,
    kWmQueryEndSession = 0x0011,
    kWmQuit = 0x0012,
    kWmEraseBkgnd = 0x0014,
    kWmEndSession = 0x0016,
    kWmShowWindow = 0x0018,
    kWmActivateApp = 0x001C,
    kWmKeyFirst = 0x0100,
    kWmKeyDown = 0x0100,
    kWmChar = 0x0102,
    kWmKeyLast = 0x0108,
    kWmCommand = 0x0111,
    kWmTimer = 0x0113,
    kWmMouseMove = 0x0200,
    kWmLButtonDown = 0x0201,
    kWmLButtonUp = 0x0202,
    kWmLButtonDblClk = 0x0203,
    kWmRButtonDown = 0x0204,
    kWmMButtonDown = 0x0207,
    kWmMButtonUp = 0x0208,
    kWmMouseWheel = 0x020A,
    kWmUser = 0x0400,
    kWmApp = 0x8000,
};

// A second start asks the running instance to show itself with this message.
constexpr uint32_t kShowInstanceMessage = kWmUser + 100;  // 1124

// Results of the toolkit's handlers.
enum HandledResult : intptr_t {
    kHandled = 1000000,
    kNotHandled = 1000001,
    kHandledStop = 1000002,
};

}  // namespace base
