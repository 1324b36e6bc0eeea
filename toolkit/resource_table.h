// ytResourceTable: the toolkit's registry of named nodes, and the builder of windows from files.
//
// A window is built from two files with one base name, both found in the runtime folder (after
// RefreshFromResourceFolder): the artwork "<base>.psd", whose every layer becomes a node as its
// layer name says (LoadArtwork, toolkit/layout_artwork.cpp), and the layout script "<base>.tre",
// which arranges those nodes into a tree and sets their properties and placement rules
// (LoadLayout, toolkit/layout_script.cpp). Every node is registered under its qualified name
// ("tintel/slider1") and found again by it.
//
// Contents
//   1. the name table and the address table (511 buckets each)
//   2. lookups and the operations by name
//   3. custom kinds
//   4. building: artwork, layout, the current document, defines
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/draw_node.h"
#include "toolkit/layer_desc.h"
#include "toolkit/layout_names.h"
#include "toolkit/layout_reader.h"
#include "toolkit/unknown.h"

namespace yt {

class ytBitmapNode;
class ytButtonNode;
class ytDrawUI;
class ytPsdDocument;
class ytTextNode;

// Makes the node of a custom kind from its layer (the document is the artwork being built);
// null for none. A new node with no references, as the built-in kinds make them.
using ytKindFactory = std::function<ytDrawNode*(const ytLayerDesc& desc, ytPsdDocument& document)>;

class ytResourceTable : public ytNameLookup {
public:
    ytResourceTable();
    ~ytResourceTable() override;
    ytResourceTable(const ytResourceTable&) = delete;
    ytResourceTable& operator=(const ytResourceTable&) = delete;

    // ---- 1. the tables ----------------------------------------------------------------------
    // Registers a node under a qualified name (taken as given; callers fold it) and keeps one
    // reference to it. -1 when a node of that name (by the natural comparison) is registered.
    int32_t Register(const std::string& name, ytDrawNode* node);
    // Forgets a node (its reference goes); nothing when it is not registered.
    void Unregister(ytDrawNode* node);
    // Forgets every registered node of a subtree (a window or dialog that goes away).
    void UnregisterTree(ytDrawNode* root);
    // Forgets every node, kind, define, the current document and the last built window.
    void Clear();
    size_t Count() const { return count_; }

    // ---- 2. lookups -------------------------------------------------------------------------
    // The node of a name, or null; the typed lookups also answer null for another type.
    ytDrawNode* FindNode(const std::string& name) override;
    ytButtonNode* FindButton(const std::string& name);
    ytTextNode* FindText(const std::string& name);
    ytBitmapNode* FindBitmap(const std::string& name);
    // The qualified name of a registered node; empty for any other.
    std::string GetNodeName(const ytDrawNode* node) const;
    // 0, or 4 when no node has that name (PressButton: no button).
    int32_t ShowNode(const std::string& name);
    int32_t HideNode(const std::string& name);
    int32_t SetVisible(const std::string& name, bool visible);
    int32_t PressButton(const std::string& name);

    // ---- 3. custom kinds --------------------------------------------------------------------
    // Adds a layer-name kind word; its kind is kCustomKindBase plus its index (the answer).
    // Custom words are matched before the built-in ones, in registration order.
    int32_t RegisterKind(const std::string& word, ytKindFactory factory);
    const std::vector<std::string>& KindWords() const { return kindWords_; }

    // ---- 4. building ------------------------------------------------------------------------
    // Builds the nodes of "<baseName>.psd" into `document`: the bottom-most layer that makes a
    // node becomes its root, every later one a node under the root. 0, or the artwork reader's
    // result (2 no such file, 3 format error) with nothing built. Layer errors are reported
    // (ReportLayoutError) and the build goes on with the next layer.
    int32_t LoadArtwork(const std::string& baseName, ytDrawUI* document);
    // Runs the layout script "<baseName>.tre" against the nodes built so far; "root" names the
    // root of the window last built by LoadArtwork. 0, or 2 when there is no such script.
    int32_t LoadLayout(const std::string& baseName);

    // The artwork file last opened by a layer reference (at the start of a build: the artwork
    // being built), and its base name.
    ytPsdDocument* CurrentDocument() { return current_.get(); }
    const std::string& CurrentDocumentName() const { return currentName_; }
    ytDefineTable& Defines() { return defines_; }
    // The root of the window last built.
    ytDrawNode* LastRoot() const { return lastRoot_.get(); }

private:
    struct NameEntry {
        std::string name;
        ytRef<ytDrawNode> node;
    };
    struct AddressEntry {
        const ytDrawNode* node;
        std::string name;
    };
    friend class ytArtworkBuilder;
    friend class ytLayoutRun;

    static uint32_t addressBucket(const ytDrawNode* node);
    // Makes the artwork file `baseName` the current document (opening it when it is another
    // one): 0 or the reader's result.
    int32_t openCurrent(const std::string& baseName);
    // Decodes the layer a reference names ("file/layer", or "layer" of the current document).
    bool resolveReference(const std::string& reference, ytBitmap* bitmap);

    std::vector<std::vector<NameEntry>> names_;
    std::vector<std::vector<AddressEntry>> addresses_;
    size_t count_ = 0;
    std::vector<std::string> kindWords_;
    std::vector<ytKindFactory> kindFactories_;
    std::unique_ptr<ytPsdDocument> current_;
    std::string currentName_;
    ytDefineTable defines_;
    ytRef<ytDrawNode> lastRoot_;
    std::vector<std::string> building_;  // artwork files being built (a "clip" chain)
};

// The toolkit's table, made on first use and installed as the nodes' name lookup.
ytResourceTable& Resources();
// Releases the toolkit's table and every node it holds (the toolkit's stop calls it).
void ReleaseResources();

}  // namespace yt
