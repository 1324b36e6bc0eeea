// The resource table's two hash tables, its lookups, custom kinds, the current document and
// layer references. The builders are in layout_artwork.cpp and layout_script.cpp.
#include "toolkit/resource_table.h"

#include <utility>

#include "toolkit/button_node.h"
#include "toolkit/layout_scan.h"
#include "toolkit/nodes.h"
#include "toolkit/psd_document.h"
#include "toolkit/resource_files.h"
#include "toolkit/text_node.h"

namespace yt {

ytResourceTable::ytResourceTable() : names_(kNameBuckets), addresses_(kNameBuckets) {}

ytResourceTable::~ytResourceTable() {
    if (NameLookup() == this) SetNameLookup(nullptr);
    Clear();
}

// ---- 1. the tables ------------------------------------------------------------------------------

uint32_t ytResourceTable::addressBucket(const ytDrawNode* node) {
    return static_cast<uint32_t>((reinterpret_cast<uintptr_t>(node) / 4) % kNameBuckets);
}

int32_t ytResourceTable::Register(const std::string& name, ytDrawNode* node) {
    if (!node) return -1;
    std::vector<NameEntry>& bucket = names_[NameHash(name) % kNameBuckets];
    for (const NameEntry& entry : bucket)
        if (NaturalCompare(entry.name, name) == 0) return -1;
    bucket.push_back(NameEntry{name, ytRef<ytDrawNode>(node)});
    addresses_[addressBucket(node)].push_back(AddressEntry{node, name});
    ++count_;
    return 0;
}

void ytResourceTable::Unregister(ytDrawNode* node) {
    std::vector<AddressEntry>& byAddress = addresses_[addressBucket(node)];
    for (size_t i = 0; i < byAddress.size(); ++i) {
        if (byAddress[i].node != node) continue;
        const std::string name = std::move(byAddress[i].name);
        byAddress.erase(byAddress.begin() + static_cast<ptrdiff_t>(i));
        std::vector<NameEntry>& bucket = names_[NameHash(name) % kNameBuckets];
        for (size_t j = 0; j < bucket.size(); ++j) {
            if (bucket[j].node.get() == node) {
                // The reference goes last: the node may die with it.
                ytRef<ytDrawNode> keep = std::move(bucket[j].node);
                bucket.erase(bucket.begin() + static_cast<ptrdiff_t>(j));
                --count_;
                return;
            }
        }
        return;
    }
}

void ytResourceTable::UnregisterTree(ytDrawNode* root) {
    if (!root) return;
    ytRef<ytDrawNode> keep(root);
    for (ytDrawNode* child : std::vector<ytDrawNode*>(root->children()))
        UnregisterTree(child);
    Unregister(root);
}

void ytResourceTable::Clear() {
    // Moved out first: releasing a node may run code that looks names up.
    std::vector<std::vector<NameEntry>> names(kNameBuckets);
    names.swap(names_);
    for (auto& bucket : addresses_)
        bucket.clear();
    count_ = 0;
    kindWords_.clear();
    kindFactories_.clear();
    current_.reset();
    currentName_.clear();
    defines_.Clear();
    lastRoot_.reset();
    names.clear();
}

// ---- 2. lookups ---------------------------------------------------------------------------------

ytDrawNode* ytResourceTable::FindNode(const std::string& name) {
    for (const NameEntry& entry : names_[NameHash(name) % kNameBuckets])
        if (NaturalCompare(entry.name, name) == 0) return entry.node.get();
    return nullptr;
}

ytButtonNode* ytResourceTable::FindButton(const std::string& name) {
    return dynamic_cast<ytButtonNode*>(FindNode(name));
}

ytTextNode* ytResourceTable::FindText(const std::string& name) {
    return dynamic_cast<ytTextNode*>(FindNode(name));
}

ytBitmapNode* ytResourceTable::FindBitmap(const std::string& name) {
    return dynamic_cast<ytBitmapNode*>(FindNode(name));
}

std::string ytResourceTable::GetNodeName(const ytDrawNode* node) const {
    for (const AddressEntry& entry : addresses_[addressBucket(node)])
        if (entry.node == node) return entry.name;
    return std::string();
}

int32_t ytResourceTable::ShowNode(const std::string& name) {
    return SetVisible(name, true);
}

int32_t ytResourceTable::HideNode(const std::string& name) {
    return SetVisible(name, false);
}

int32_t ytResourceTable::SetVisible(const std::string& name, bool visible) {
    ytDrawNode* node = FindNode(name);
    if (!node) return 4;
    node->SetVisible(visible);
    return 0;
}

int32_t ytResourceTable::PressButton(const std::string& name) {
    ytButtonNode* button = FindButton(name);
    if (!button) return 4;
    button->Press(false);
    return 0;
}

// ---- 3. custom kinds ----------------------------------------------------------------------------

int32_t ytResourceTable::RegisterKind(const std::string& word, ytKindFactory factory) {
    kindWords_.push_back(word);
    kindFactories_.push_back(std::move(factory));
    return kCustomKindBase + static_cast<int32_t>(kindWords_.size() - 1);
}

// ---- 4. the current document and layer references ----------------------------------------------

int32_t ytResourceTable::openCurrent(const std::string& baseName) {
    if (current_ && current_->Loaded() && NaturalCompare(currentName_, baseName) == 0) return 0;
    if (!current_) current_ = std::make_unique<ytPsdDocument>();
    currentName_ = baseName;
    return current_->Load(RuntimeFile(baseName + ".psd"));
}

bool ytResourceTable::resolveReference(const std::string& text, ytBitmap* bitmap) {
    // Arguments keep the blanks before their comma: "button(Go, up , down)".
    const std::string reference = TrimBlanks(text);
    const size_t slash = reference.find('/');
    if (slash != std::string::npos && openCurrent(reference.substr(0, slash)) != 0) return false;
    if (!current_ || !current_->Loaded()) return false;
    for (int i = 0; i < current_->LayerCount(); ++i) {
        const std::string layer = current_->LayerName(i);
        // "file/layer" against the file's qualified layer names; a bare name against the
        // current document's layer names.
        const std::string candidate =
            slash == std::string::npos ? FoldName(layer) : QualifiedName(currentName_, layer);
        if (NaturalCompare(candidate, reference) == 0) return current_->DecodeLayer(i, bitmap) == 0;
    }
    return false;
}

// ---- the toolkit's table ------------------------------------------------------------------------

namespace {
ytResourceTable* g_resources = nullptr;
}  // namespace

ytResourceTable& Resources() {
    if (!g_resources) {
        g_resources = new ytResourceTable();
        SetNameLookup(g_resources);
    }
    return *g_resources;
}

void ReleaseResources() {
    delete g_resources;
    g_resources = nullptr;
}

}  // namespace yt
