// The conversation between the program and tintel_webview, the helper process that shows the
// location dialog's web view (WebKitGTK) in a GtkPlug embedded in the program's GtkSocket.
//
// The program starts the helper as
//     tintel_webview --display=NAME SOCKET-ID WIDTH HEIGHT
// with one end of a socket pair as its standard input and output. Both sides then write lines:
//   program -> helper  "navigate <url>"   load the address
//   helper -> program  "url <address>"    the view's address, sent whenever it changes
//                      "refused <line>"   a line the helper could not act on
// End of input tells the helper to end the view and quit; it also quits when the program dies.
#pragma once

namespace platform::webview_protocol {

inline constexpr char kNavigate[] = "navigate ";
inline constexpr char kUrl[] = "url ";
inline constexpr char kRefused[] = "refused ";

}  // namespace platform::webview_protocol
