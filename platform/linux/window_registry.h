// Linux-internal: the live GTK windows, found by class and title as FindWindow finds them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

class NativeWindow;

// The top-level window of class `className` titled `title` in this process, or null.
NativeWindow* findLinuxWindow(const std::string& className, const std::string& title);

// Delivers a message to the window's client at once and answers its result (SendMessage).
intptr_t sendLinuxWindowMessage(NativeWindow* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// Dialog boxes closed with their owner's message boxes (closeOwnedBoxes): `owner` is the owner's
// GtkWidget* (null: closed with any owner). Answers a token for removeOwnedDialog.
int addOwnedDialog(void* owner, std::function<void()> close);
void removeOwnedDialog(int token);

}  // namespace platform
