// Layout errors: what the artwork builder and the layout script reader show when a layer name or
// a script line cannot be used. Each error is one message box titled "Error"; the build goes on
// with the next layer or line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace yt {

// "%s: [%s]" with the message and the context (the script line, or the argument or name being
// built); "An error occured parsing: [%s]" with the context when there is no message.
std::string FormatLayoutError(const char* message, std::string_view context);

// Shows the formatted error in a message box titled "Error" through the toolkit's message box
// (owned by the main toolkit window, counted as an open message box while shown).
void ReportLayoutError(const char* message, std::string_view context);

// While installed, every layout error goes to the recorder (its text and title) instead of a
// message box; an empty recorder restores the box. For tests.
using LayoutErrorRecorder = std::function<void(const std::string& text, const std::string& title)>;
void SetLayoutErrorRecorder(LayoutErrorRecorder recorder);

}  // namespace yt
