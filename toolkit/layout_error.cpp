#include "toolkit/layout_error.h"

#include <utility>

#include "toolkit/toolkit.h"

namespace yt {
namespace {

LayoutErrorRecorder g_recorder;

}  // namespace

std::string FormatLayoutError(const char* message, std::string_view context) {
    std::string text;
    if (message)
        text.append(message).append(": [");
    else
        text.append("An error occured parsing: [");
    text.append(context).append("]");
    return text;
}

void ReportLayoutError(const char* message, std::string_view context) {
    const std::string text = FormatLayoutError(message, context);
    if (g_recorder) {
        g_recorder(text, "Error");
        return;
    }
    // The toolkit's box: owned by the main window, counted as open while shown.
    Note(text, nullptr, "Error");
}

void SetLayoutErrorRecorder(LayoutErrorRecorder recorder) {
    g_recorder = std::move(recorder);
}

}  // namespace yt
