// LoadArtwork: every layer of an artwork file becomes a node as its layer name says.
//
// The bottom-most layer that makes a node becomes the window's root ("rect": a solid background,
// "tbitmap": a tiled background, anything else but "text": a background picture of the layer's
// pixels); every later layer makes one node at its rectangle's top-left corner under the root
// (or, for a child artwork file of a "clip" layer, under that clip node), with the layer's
// opacity, registered as "<base>/<name>". Errors are reported with ReportLayoutError and the
// build goes on with the next layer.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/bicubic_node.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/layout_error.h"
#include "toolkit/layout_names.h"
#include "toolkit/layout_scan.h"
#include "toolkit/nodes.h"
#include "toolkit/psd_document.h"
#include "toolkit/resource_files.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"

namespace yt {

namespace {

// How deep "clip" layers may nest child artwork files.
constexpr size_t kMaxClipDepth = 8;

// A copy of a premultiplied bitmap with every colour channel times `factor`, kept within the
// pixel's alpha so the result stays a valid premultiplied picture.
ytBitmap scaledChannels(const ytBitmap& source, float factor) {
    ytBitmap out = source;
    uint32_t* p = out.pixels();
    const size_t count = static_cast<size_t>(out.width()) * static_cast<size_t>(out.height());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t a = p[i] >> 24;
        uint32_t result = a << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            const float c = static_cast<float>((p[i] >> shift) & 0xFF) * factor;
            const uint32_t v = std::min(static_cast<uint32_t>(c + 0.5f), a);
            result |= v << shift;
        }
        p[i] = result;
    }
    return out;
}

float argumentFloat(const ytLayerDesc& desc, size_t index, float otherwise) {
    return index < desc.arguments.size() ? TextToFloat(desc.arguments[index]) : otherwise;
}

bool isButtonKind(int32_t kind) {
    return kind == kKindButton || kind == kKindVButton || kind == kKindVButtcon ||
           kind == kKindButtcon || kind == kKindColorWheel;
}

}  // namespace

class ytArtworkBuilder {
public:
    ytArtworkBuilder(ytResourceTable& table, std::string baseName, ytDrawUI* document,
                     ytDrawNode* parent)
        : table_(table), base_(std::move(baseName)), document_(document), parent_(parent) {}

    int32_t Build() {
        const int32_t loaded = psd_.Load(RuntimeFile(base_ + ".psd"));
        if (loaded != 0) return loaded;
        // A bare layer reference names the file being built until a reference opens another.
        table_.openCurrent(base_);
        table_.building_.push_back(base_);
        for (int i = 0; i < psd_.LayerCount(); ++i)
            buildLayer(i);
        table_.building_.pop_back();
        return 0;
    }

private:
    void buildLayer(int index) {
        ytLayerDesc desc;
        const std::string layerName = psd_.LayerName(index);
        if (ParseLayerName(layerName, table_.KindWords(), &desc) != 0) {
            ReportLayoutError("Need closing paren", layerName);
            return;
        }
        desc.layerIndex = index;
        desc.layerRect = psd_.LayerRect(index);
        desc.clipRect = desc.layerRect;

        if (!parent_) {
            makeRoot(desc);
            return;
        }
        ytDrawNode* made = nullptr;  // the node registered under the layer's name
        ytRef<ytDrawNode> node(makeNode(desc, &made));
        if (!node) return;
        if (!made) made = node.get();
        finish(node.get(), desc);
        if (made != node.get()) finish(made, desc);
        const std::string name = QualifiedName(base_, desc.name);
        if (table_.Register(name, made) != 0)
            ReportLayoutError("Collision found! (layer/object names must be unique)", name);
        if (isButtonKind(desc.kind)) registerLabel(static_cast<ytButtonNode*>(made), name);
        if (desc.kind == kKindClip && !desc.arguments.empty()) buildChild(made, desc);
    }

    // Places a node at the layer's corner with its opacity under the parent.
    void finish(ytDrawNode* node, const ytLayerDesc& desc) {
        node->SetPosition(static_cast<float>(desc.layerRect.left),
                          static_cast<float>(desc.layerRect.top));
        node->SetOpacity(psd_.LayerOpacity(desc.layerIndex));
        parent_->AddChild(node);
    }

    void makeRoot(const ytLayerDesc& desc) {
        if (desc.kind == kKindText) return;
        const float width = static_cast<float>(desc.layerRect.width());
        const float height = static_cast<float>(desc.layerRect.height());
        ytRef<ytDrawNode> root;
        if (desc.kind == kKindRect) {
            root = new ytBGNode(colourOf(desc), width, height);
        } else {
            ytBitmap pixels = ownPixels(desc);
            if (desc.kind == kKindTiledBitmap)
                root = new ytTiledBitmapNode(std::move(pixels), width, height);
            else
                root = new ytBGBitmapNode(std::move(pixels));
        }
        root->SetOpacity(psd_.LayerOpacity(desc.layerIndex));
        if (document_) document_->SetRoot(root.get());
        table_.lastRoot_ = root;
        parent_ = root.get();
        const std::string name = QualifiedName(base_, desc.name);
        if (table_.Register(name, root.get()) != 0)
            ReportLayoutError("Collision found! (layer/object names must be unique)", name);
    }

    ytBitmap ownPixels(const ytLayerDesc& desc) {
        ytBitmap bitmap;
        psd_.DecodeLayer(desc.layerIndex, &bitmap);
        return bitmap;
    }

    // The colour argument (read with "%x", premultiplied), else the layer's first pixel.
    uint32_t colourOf(const ytLayerDesc& desc) {
        if (!desc.arguments.empty()) {
            size_t pos = 0;
            uint32_t colour = 0;
            return ScanColour(desc.arguments[0], &pos, &colour) ? colour : 0;
        }
        return layerColour(desc);
    }

    // The layer's first pixel, premultiplied; 0 for a layer without pixels.
    uint32_t layerColour(const ytLayerDesc& desc) {
        uint32_t colour = 0;
        return psd_.LayerColour(desc.layerIndex, &colour) == 0 ? Premultiply(colour) : 0;
    }

    // The bitmap a reference names, or none with "Bitmap not loaded.".
    bool referenced(const ytLayerDesc& desc, ytBitmap* bitmap) {
        if (table_.resolveReference(desc.arguments[0], bitmap)) return true;
        ReportLayoutError("Bitmap not loaded.", desc.name);
        return false;
    }

    ytDrawNode* makeNode(const ytLayerDesc& desc, ytDrawNode** made) {
        const float width = static_cast<float>(desc.layerRect.width());
        const float height = static_cast<float>(desc.layerRect.height());
        const size_t args = desc.arguments.size();
        switch (desc.kind) {
            case kKindBitmap:
            case kKindWww:
                return new ytBitmapNode(ownPixels(desc));
            case kKindBicubic:
                return new ytBicubicNode(ownPixels(desc));
            case kKindTiledBitmap:
            case kKindScaledBitmap: {
                if (args != 1) {
                    ReportLayoutError(nullptr,
                                      "This bitmap widget must reference a layer (target).");
                    return nullptr;
                }
                ytBitmap bitmap;
                if (!referenced(desc, &bitmap)) return nullptr;
                if (desc.kind == kKindTiledBitmap)
                    return new ytTiledBitmapNode(std::move(bitmap), width, height);
                const float sx =
                    bitmap.width() > 0 ? width / static_cast<float>(bitmap.width()) : 1;
                const float sy =
                    bitmap.height() > 0 ? height / static_cast<float>(bitmap.height()) : 1;
                auto* node = new ytBitmapNode(std::move(bitmap));
                node->SetScale(sx, sy);
                return node;
            }
            case kKindCircle:
                return new ytColorCircleNode(width, height, colourOf(desc));
            case kKindRect:
                return new ytColorRectNode(width, height, colourOf(desc));
            case kKindShadowRect: {
                ytShadow shadow;  // radius 3, opacity 0.3, offset (1, 1)
                if (args != 0 && args != 1 && args != 5)
                    ReportLayoutError("Shadows need 4 arguments", desc.arguments[0]);
                shadow.radius = argumentFloat(desc, 1, shadow.radius);
                shadow.dx = argumentFloat(desc, 2, shadow.dx);
                shadow.dy = argumentFloat(desc, 3, shadow.dy);
                shadow.opacity = argumentFloat(desc, 4, shadow.opacity);
                auto* node = new ytColorRectNode(width, height, colourOf(desc));
                node->SetShadow(shadow);
                return node;
            }
            case kKindDecRect: {
                if (args == 0) {
                    ReportLayoutError("Need argument for decrect (filename/layername)", desc.name);
                    return nullptr;
                }
                ytBitmap bitmap;
                if (!referenced(desc, &bitmap)) return nullptr;
                return new ytDecRectNode(std::move(bitmap), width, height);
            }
            case kKindText: {
                auto* node =
                    new ytTextNode(args ? desc.arguments[0] : std::string(), width, height);
                node->SetLayout(args ? TextLayout::kWrapTopLeft : TextLayout::kCentred);
                node->SetColour(layerColour(desc));  // the argument is the text, not a colour
                return node;
            }
            case kKindTextEdit:
                return new ytTextEditNode(width, height);
            case kKindWindow:
                return new ytWinTrackNode(width, height);
            case kKindShadowWindow: {
                ytShadow shadow;
                shadow.radius = 5.0f, shadow.opacity = 0.6f, shadow.dx = 3.0f, shadow.dy = 4.0f;
                if (args == 4) {
                    shadow.radius = argumentFloat(desc, 0, shadow.radius);
                    shadow.dx = argumentFloat(desc, 1, shadow.dx);
                    shadow.dy = argumentFloat(desc, 2, shadow.dy);
                    shadow.opacity = argumentFloat(desc, 3, shadow.opacity);
                } else if (args != 0) {
                    ReportLayoutError(
                        nullptr, "Shadows require 4 arguments (radius, xoffset, yoffset, opacity)");
                }
                return new ytWinShadowNode(width, height, shadow);
            }
            case kKindClip: {
                auto* node = new ytDrawNode();
                node->SetClip(ytRect{0, 0, desc.layerRect.right - desc.layerRect.left,
                                     desc.layerRect.bottom - desc.layerRect.top});
                return node;
            }
            case kKindSelection:
                return new ytSelectionNode(width, height, colourOf(desc));
            case kKindStatic:
                if (args != 1) {
                    ReportLayoutError("Statics must have one argument (contents)", desc.name);
                    return nullptr;
                }
                return new ytTextNode(desc.arguments[0]);
            case kKindButton:
            case kKindVButton:
            case kKindVButtcon:
            case kKindButtcon:
            case kKindColorWheel:
                return makeButton(desc, width, height);
            case kKindButtContainer:
                return new ytButtContainer();
            case kKindFps: {
                // The counter, and the window-track node that carries the layer's name.
                auto* fps = new ytFPSNode();
                *made = new ytWinTrackNode(width, height);
                return fps;
            }
            default:
                break;
        }
        const int32_t custom = desc.kind - kCustomKindBase;
        if (custom >= 0 && static_cast<size_t>(custom) < table_.kindFactories_.size())
            return table_.kindFactories_[static_cast<size_t>(custom)](desc, psd_);
        return nullptr;
    }

    ytDrawNode* makeButton(const ytLayerDesc& desc, float width, float height) {
        ytButtonNode* button = desc.kind == kKindColorWheel ? new ytColorWheelNode(width, height)
                                                            : new ytButtonNode(width, height);
        button->SetToggle(desc.kind == kKindButtcon || desc.kind == kKindVButtcon);
        if (!desc.arguments.empty()) button->SetLabel(desc.arguments[0]);

        // State images: arguments 2 to 5, each a reference or "-" for the layer's own pixels.
        std::vector<ytBitmap> states;
        for (size_t i = 1; i < desc.arguments.size() && states.size() < 4; ++i) {
            const std::string argument = TrimBlanks(desc.arguments[i]);
            ytBitmap image;
            if (argument == "-") {
                image = ownPixels(desc);
            } else if (!table_.resolveReference(argument, &image)) {
                ReportLayoutError(argument.c_str(), desc.name);
                break;
            }
            states.push_back(std::move(image));
        }
        const bool visual = desc.kind == kKindVButton || desc.kind == kKindVButtcon;
        if (states.empty() && !visual) {
            const ytBitmap normal = ownPixels(desc);
            states.push_back(normal);
            states.push_back(scaledChannels(normal, 1.4f));
            states.push_back(scaledChannels(normal, 0.8f));
        }
        placeStates(button, states);
        return button;
    }

    // Puts every state image into a bitmap the size of their union, each at its own offset.
    static void placeStates(ytButtonNode* button, const std::vector<ytBitmap>& states) {
        bool any = false;
        ytRect all;
        for (const ytBitmap& image : states) {
            if (image.empty()) continue;
            const ytRect r{image.originX(), image.originY(), image.originX() + image.width(),
                           image.originY() + image.height()};
            all = any ? ytRect{std::min(all.left, r.left), std::min(all.top, r.top),
                               std::max(all.right, r.right), std::max(all.bottom, r.bottom)}
                      : r;
            any = true;
        }
        if (!any) return;
        // Images from far apart (references into other files) would make a union too large to
        // hold: then each image is used as it is.
        constexpr int64_t kMostPixels = int64_t{1} << 24;
        if (all.width() * all.height() > kMostPixels) {
            for (size_t s = 0; s < states.size(); ++s)
                button->SetStateImage(static_cast<int>(s), states[s]);
            return;
        }
        for (size_t s = 0; s < states.size(); ++s) {
            const ytBitmap& image = states[s];
            if (image.empty()) continue;
            ytBitmap placed(all.right - all.left, all.bottom - all.top, all.left, all.top);
            const int dx = image.originX() - all.left, dy = image.originY() - all.top;
            for (int y = 0; y < image.height(); ++y)
                std::copy(image.row(y), image.row(y) + image.width(), placed.row(y + dy) + dx);
            button->SetStateImage(static_cast<int>(s), std::move(placed));
        }
    }

    void registerLabel(ytButtonNode* button, const std::string& name) {
        if (!button->label()) return;
        const std::string labelName = name + "-label";
        if (table_.Register(labelName, button->label()) != 0)
            ReportLayoutError("Collision found in button label (layer/object names must be unique)",
                              labelName);
    }

    void buildChild(ytDrawNode* clip, const ytLayerDesc& desc) {
        const std::string& child = desc.arguments[0];
        bool refused = table_.building_.size() >= kMaxClipDepth;
        for (const std::string& open : table_.building_)
            refused = refused || NaturalCompare(open, child) == 0;
        // A file that (through its clips) contains itself would be built forever.
        if (refused || ytArtworkBuilder(table_, child, document_, clip).Build() != 0)
            ReportLayoutError("Can't load child PSD file.", child);
        // Bare references of the layers after the clip name this file again.
        table_.openCurrent(base_);
    }

    ytResourceTable& table_;
    std::string base_;
    ytDrawUI* document_;
    ytDrawNode* parent_;  // null until the root is made
    ytPsdDocument psd_;
};

int32_t ytResourceTable::LoadArtwork(const std::string& baseName, ytDrawUI* document) {
    return ytArtworkBuilder(*this, baseName, document, nullptr).Build();
}

}  // namespace yt
