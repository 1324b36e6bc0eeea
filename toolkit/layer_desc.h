// ytLayerDesc: what one artwork layer's name asks for. A layer name has the form
// kind(arg1, arg2, ...):name with the argument list optional; a name without ':' is a plain
// bitmap node of that name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/rect.h"

namespace yt {

// The node kinds of layer names. Custom kinds registered with the resource table are
// kCustomKindBase plus their registration index.
enum LayerKind : int32_t {
    kKindBitmap = 100,         // (no word): a bitmap node from the layer's pixels
    kKindTiledBitmap = 101,    // "tbitmap"
    kKindScaledBitmap = 102,   // "scbitmap"
    kKindCircle = 103,         // "circle"
    kKindColorWheel = 104,     // "colorwheel"
    kKindRect = 105,           // "rect"
    kKindShadowRect = 106,     // "srect"
    kKindDecRect = 107,        // "decrect"
    kKindText = 108,           // "text"
    kKindTextEdit = 109,       // "textedit"
    kKindWindow = 110,         // "window"
    kKindShadowWindow = 111,   // "swindow"
    kKindClip = 112,           // "clip"
    kKindSelection = 113,      // "selection"
    kKindStatic = 114,         // "static"
    kKindButton = 115,         // "button"
    kKindBicubic = 116,        // "bicubic"
    kKindVButton = 117,        // "vbutton"
    kKindVButtcon = 118,       // "vbuttcon"
    kKindButtcon = 119,        // "buttcon"
    kKindButtContainer = 120,  // "buttcontainer"
    kKindWww = 121,            // "www"
    kKindFps = 122,            // "fps"
    kCustomKindBase = 124,
};

// The built-in word of a kind, or null for kKindBitmap and numbers outside the table.
const char* KindWord(int32_t kind);

struct ytLayerDesc {
    int32_t kind = kKindBitmap;
    int32_t layerIndex = -1;  // index in the artwork file; -1 for the merged image
    std::vector<std::string> arguments;
    std::string name;
    ytRect layerRect;  // in artwork pixels
    ytRect clipRect;   // handed to node constructors that take a rectangle
};

// Parses a layer name into desc->kind, arguments and name. `customWords` are the registered
// custom kind words, matched (exactly, case-sensitive) before the built-in ones; a word matching
// neither leaves kKindBitmap. Answers 0, or 3 when an argument list has no closing ')' (the error
// "Need closing paren": the layer is skipped).
int32_t ParseLayerName(std::string_view layerName, const std::vector<std::string>& customWords,
                       ytLayerDesc* desc);

}  // namespace yt
