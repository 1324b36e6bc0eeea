// The update prompt. Until the dialog templates are available this asks through a message box
// (Yes: Update Now, No: Later); Skip comes with the dialog.
#include "app/update_dialog.h"

#include "toolkit/toolkit.h"

namespace tintel {

UpdateAnswer RunUpdateDialog(const std::string& message) {
    return yt::Confirm(message, nullptr, "Tintel has an update available. Get it now?")
               ? UpdateAnswer::UpdateNow
               : UpdateAnswer::Later;
}

}  // namespace tintel
