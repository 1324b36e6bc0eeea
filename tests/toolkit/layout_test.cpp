// Windows built from files: the test artwork (tests/data/layout, drawn by tools/layout_artwork.py
// and written by ag-psd) and its layout scripts loaded into a tree that is checked node by node:
// kinds, names, parents, places, opacities, colours, state images, labels, rules, properties,
// and the exact error boxes and log lines. Then the lookups by name, custom kinds, and refreshing
// the runtime copies from the resource folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "toolkit/bicubic_node.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/folders.h"
#include "toolkit/font_cache.h"
#include "toolkit/layout_error.h"
#include "toolkit/nodes.h"
#include "toolkit/psd_document.h"
#include "toolkit/resource_files.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"

namespace {

using namespace yt;
namespace fs = std::filesystem;

std::vector<std::string> g_log;
void logLine(const char* line) {
    g_log.emplace_back(line);
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A private runtime folder holding the test artwork and scripts (with CR LF line ends on
// request); every error box and log line is recorded.
class LayoutFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Start(nullptr, true), 0);  // documents tick from the pump's callback list
        folder_ = fs::temp_directory_path() /
                  ("tintel-layout-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
        SetRuntimeFolder(folder_.string());
        SetLayoutErrorRecorder([this](const std::string& text, const std::string& title) {
            EXPECT_EQ(title, "Error");
            errors_.push_back(text);
        });
        g_log.clear();
        SetDebugSink(logLine);
    }
    void TearDown() override {
        SetDebugSink(nullptr);
        SetLayoutErrorRecorder(nullptr);
        ytFontCache::FreeAll();
        SetRuntimeFolder("");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        Stop();
    }
    void copyData(bool crlf) {
        for (const auto& entry : fs::directory_iterator(TINTEL_LAYOUT_DATA)) {
            const fs::path& from = entry.path();
            if (from.extension() == ".psd") fs::copy_file(from, folder_ / from.filename());
            if (from.extension() != ".tre") continue;
            std::string text = readText(from), out;
            for (char c : text)
                out += (crlf && c == '\n') ? std::string("\r\n") : std::string(1, c);
            writeText(folder_ / from.filename(), out);
        }
    }

    fs::path folder_;
    std::vector<std::string> errors_;
};

struct Expected {
    const char* name;
    const std::type_info& type;
    const char* parent;  // "" for the root
    float x, y;
    int opacity;
};

// The names of a node's children in order, "panel/" left out, "-" for an unregistered one.
std::string childNames(ytResourceTable& table, ytDrawNode* node) {
    std::string names;
    for (ytDrawNode* child : node->children()) {
        std::string name = table.GetNodeName(child);
        if (name.rfind("panel/", 0) == 0) name.erase(0, 6);
        names += (names.empty() ? "" : " ") + (name.empty() ? "-" : name);
    }
    return names;
}

void expectRule(const ytConstraint& rule, float a1, float a2, float a3, const char* what) {
    EXPECT_TRUE(rule.inUse) << what;
    EXPECT_FALSE(rule.range) << what;
    EXPECT_FLOAT_EQ(rule.a1, a1) << what;
    EXPECT_FLOAT_EQ(rule.a2, a2) << what;
    EXPECT_FLOAT_EQ(rule.a3, a3) << what;
}

TEST_F(LayoutFiles, PanelBuildsIntoTheExpectedTree) {
    const int liveBefore = LiveObjects();
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF scripts" : "LF scripts");
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        copyData(crlf);
        errors_.clear();
        g_log.clear();
        ytResourceTable table;
        ytDrawUI* document = new ytDrawUI();
        document->Resize(200, 120);

        ASSERT_EQ(table.LoadArtwork("panel", document), 0);
        const std::vector<std::string> artworkErrors = {
            "Shadows need 4 arguments: [0]",
            "Statics must have one argument (contents): [nolabel]",
            "Can't load child PSD file.: [nosuch]",
            "An error occured parsing: [This bitmap widget must reference a layer (target).]",
            "Bitmap not loaded.: [lost]",
            "Need argument for decrect (filename/layername): [nodec]",
            "Collision found! (layer/object names must be unique): [panel/box]",
            "An error occured parsing: [Shadows require 4 arguments (radius, xoffset, yoffset, "
            "opacity)]",
            "Collision found in button label (layer/object names must be unique): [panel/b-label]",
            "Need closing paren: [rect(ff:broken]",
            "parts/nothing: [go]",
        };
        EXPECT_EQ(errors_, artworkErrors);
        errors_.clear();

        ASSERT_EQ(table.LoadLayout("panel"), 0);
        const char* const parsing = "Error parsing (wrong type or incorrect parameter.): ";
        const std::vector<std::string> scriptErrors = {
            std::string(parsing) + "[Property fontsize 14]",
            std::string(parsing) + "[Property fontsize 12]",
            "Child not found in resources: [panel/nosuch: root]",
            std::string(parsing) + "[Property setvisible 0]",
            "Parent not found in resources: [panel/box: panel/nosuch]",
            "No parent: [panel/box root]",
            "An error occured parsing: [panel/box:]",
            "XConstraint requires 3 or 5 args with commas: [XConstraint 1, 2]",
            "Invalid direction: [MaintainOffset sideways]",
            "Could not find MaintainRatio arg: [MaintainRatio]",
            std::string(parsing) + "[Property nosuchkeyword 1]",
        };
        EXPECT_EQ(errors_, scriptErrors);
        const std::vector<std::string> log = {"Clearing existing constraints for panel/title.\n",
                                              "ToolTip Not Found panel/nosuch.\n"};
        std::vector<std::string> layoutLog;  // without the font cache's lines
        for (const std::string& line : g_log)
            if (line.rfind("Reading ", 0) != 0) layoutLog.push_back(line);
        EXPECT_EQ(layoutLog, log);

        // Every registered node: kind, parent, place in the parent, opacity (0 to 256).
        const Expected nodes[] = {
            {"panel/frame", typeid(ytBGBitmapNode), "", 0, 0, 256},
            {"panel/box", typeid(ytColorRectNode), "panel/frame", 10, 10, 128},
            {"panel/ghost", typeid(ytColorRectNode), "panel/frame", 40, 10, 256},
            {"panel/tinted", typeid(ytColorRectNode), "panel/frame", 60, 10, 256},
            {"panel/shadowed", typeid(ytColorRectNode), "panel/frame", 80, 10, 256},
            {"panel/caption", typeid(ytTextNode), "panel/pane", -90, -40, 256},
            {"panel/empty", typeid(ytTextNode), "panel/frame", 150, 30, 256},
            {"panel/title", typeid(ytTextNode), "panel/frame", 70, 30, 256},
            {"panel/apply", typeid(ytButtonNode), "panel/frame", 10, 50, 256},
            {"panel/toggle", typeid(ytButtonNode), "panel/frame", 50, 50, 256},
            {"panel/dot", typeid(ytBitmapNode), "panel/frame", 70, 50, 256},
            {"panel/tiles", typeid(ytTiledBitmapNode), "panel/frame", 90, 50, 256},
            {"panel/deco", typeid(ytDecRectNode), "panel/frame", 130, 50, 256},
            {"panel/ok", typeid(ytButtonNode), "panel/frame", 10, 70, 256},
            {"panel/hotspot", typeid(ytButtonNode), "panel/frame", 40, 70, 256},
            {"panel/pane", typeid(ytDrawNode), "panel/frame", 100, 70, 256},
            {"inset/bg", typeid(ytColorRectNode), "panel/pane", 0, 0, 256},
            {"inset/label", typeid(ytTextNode), "panel/pane", 5, 5, 256},
            {"panel/broken", typeid(ytDrawNode), "panel/frame", 170, 70, 256},
            {"panel/shade", typeid(ytWinShadowNode), "panel/frame", 20, 20, 256},
            {"panel/grip", typeid(ytWinTrackNode), "panel/frame", 180, 100, 256},
            {"panel/meter", typeid(ytWinTrackNode), "panel/frame", 0, 110, 256},
            {"panel/group", typeid(ytButtContainer), "panel/frame", 60, 90, 256},
            {"panel/radio1", typeid(ytButtonNode), "panel/group", 2, 2, 256},
            {"panel/radio2", typeid(ytButtonNode), "panel/group", 20, 2, 256},
            {"panel/b-label", typeid(ytColorRectNode), "panel/frame", 0, 0, 256},
            {"panel/b", typeid(ytButtonNode), "panel/frame", 170, 10, 256},
            {"panel/go", typeid(ytButtonNode), "panel/frame", 150, 10, 256},
            {"panel/sel", typeid(ytSelectionNode), "panel/frame", 10, 86, 256},
            {"panel/spot", typeid(ytColorCircleNode), "panel/frame", 52, 70, 256},
            {"panel/wheel", typeid(ytColorWheelNode), "panel/frame", 120, 100, 256},
            {"panel/entry", typeid(ytTextEditNode), "panel/frame", 140, 100, 256},
            {"panel/photo", typeid(ytBicubicNode), "panel/frame", 180, 30, 256},
            {"panel/link", typeid(ytBitmapNode), "panel/frame", 190, 30, 256},
            {"panel/track", typeid(ytColorRectNode), "panel/frame", 10, 108, 256},
            {"panel/thumb", typeid(ytButtonNode), "panel/track", 20, -4, 256},
            {"panel/down", typeid(ytBitmapNode), "panel/frame", 10, 50, 256},
            {"panel/tile", typeid(ytBitmapNode), "panel/frame", 190, 0, 256},
        };
        for (const Expected& e : nodes) {
            SCOPED_TRACE(e.name);
            ytDrawNode* node = table.FindNode(e.name);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(typeid(*node), e.type);
            EXPECT_EQ(table.GetNodeName(node), e.name);
            EXPECT_EQ(node->parent() ? table.GetNodeName(node->parent()) : "", e.parent);
            EXPECT_FLOAT_EQ(node->x(), e.x);
            EXPECT_FLOAT_EQ(node->y(), e.y);
            EXPECT_EQ(node->opacity(), e.opacity);
        }
        // The buttons' labels are registered too ("panel/b-label" was taken, so b's is not).
        for (const char* label : {"panel/apply-label", "panel/ok-label", "panel/radio1-label",
                                  "panel/radio2-label", "panel/go-label"})
            EXPECT_NE(table.FindText(label), nullptr) << label;
        EXPECT_EQ(table.Count(), std::size(nodes) + 5);
        for (const char* missing : {"panel/skipped", "panel/nolabel", "panel/bad", "panel/lost",
                                    "panel/nodec", "panel/toggle-label", "panel/hotspot-label"})
            EXPECT_EQ(table.FindNode(missing), nullptr) << missing;

        // The root's children in layer order; moved nodes have left, the second "box" and the
        // frame counter stay unregistered.
        ytDrawNode* root = document->Root();
        ASSERT_EQ(root, table.FindNode("panel/frame"));
        EXPECT_EQ(childNames(table, root),
                  "box ghost tinted shadowed empty title apply toggle dot tiles deco ok hotspot "
                  "pane broken - shade grip - meter group b-label b go sel spot wheel entry photo "
                  "link track down tile");
        EXPECT_EQ(childNames(table, table.FindNode("panel/pane")), "inset/bg inset/label caption");
        EXPECT_TRUE(table.FindNode("panel/broken")->children().empty());
        EXPECT_EQ(typeid(*root->children()[18]), typeid(ytFPSNode));
        EXPECT_FLOAT_EQ(root->children()[18]->y(), 110);
        auto* secondBox = dynamic_cast<ytColorRectNode*>(root->children()[15]);
        ASSERT_NE(secondBox, nullptr);
        EXPECT_EQ(secondBox->colour(), 0xFF00FF00u);

        // Colours: "%x" premultiplied (six digits: alpha 0), else the layer's first pixel.
        auto rect = [&](const char* name) {
            return dynamic_cast<ytColorRectNode*>(table.FindNode(name));
        };
        EXPECT_EQ(rect("panel/box")->colour(), 0xFFFF0000u);
        EXPECT_EQ(rect("panel/ghost")->colour(), 0u);
        EXPECT_EQ(rect("panel/tinted")->colour(), 0x8019334Du);  // 0x80336699 premultiplied
        EXPECT_EQ(rect("inset/bg")->colour(), 0xFF336699u);
        EXPECT_EQ(rect("panel/spot")->colour(), 0xFF0000FFu);
        const ytColorRectNode* shadowed = rect("panel/shadowed");
        ASSERT_TRUE(shadowed->hasShadow());
        EXPECT_FLOAT_EQ(shadowed->shadow().radius, 1);
        EXPECT_FLOAT_EQ(shadowed->shadow().dx, 2);
        EXPECT_FLOAT_EQ(shadowed->shadow().dy, 1);
        EXPECT_FLOAT_EQ(shadowed->shadow().opacity, 0.3f);
        EXPECT_EQ(shadowed->colour(), 0u);

        auto* frame = dynamic_cast<ytBitmapNode*>(root);
        EXPECT_EQ(frame->bitmap().width(), 200);
        EXPECT_EQ(frame->bitmap().at(5, 7), 0xFF05075Au);

        // Texts.
        ytTextNode* caption = table.FindText("panel/caption");
        EXPECT_EQ(caption->text(), "Hello");
        EXPECT_EQ(caption->colour(), 0xFFFFFFFFu);
        EXPECT_EQ(caption->fontName(), "Liberation Sans");
        EXPECT_EQ(caption->fontWeight(), 700);
        EXPECT_EQ(table.FindText("panel/empty")->text(), "");
        EXPECT_EQ(table.FindText("panel/empty")->colour(), 0xFF102030u);
        EXPECT_EQ(table.FindText("panel/title")->text(), "Tintel");
        EXPECT_TRUE(table.FindText("panel/title")->autoSize());
        EXPECT_EQ(table.FindText("inset/label")->text(), "Inside");

        // Buttons: labels, state images from the layer ("-"), from references into this file
        // and another, derived 1.4x and 0.8x states.
        ytButtonNode* apply = table.FindButton("panel/apply");
        ASSERT_NE(apply->label(), nullptr);
        EXPECT_EQ(apply->label()->text(), "Apply");
        EXPECT_EQ(table.GetNodeName(apply->label()), "panel/apply-label");
        EXPECT_EQ(apply->StateCount(), 2);
        EXPECT_EQ(apply->stateImage(0).at(0, 0), 0xFF204080u);
        EXPECT_EQ(apply->stateImage(1).at(29, 11), 0xFF102040u);
        EXPECT_EQ(apply->tooltip(), "Apply the settings\nnow");
        EXPECT_FALSE(apply->toggle());

        ytButtonNode* toggle = table.FindButton("panel/toggle");
        EXPECT_TRUE(toggle->toggle());
        EXPECT_EQ(toggle->label(), nullptr);
        EXPECT_EQ(toggle->StateCount(), 2);
        EXPECT_EQ(toggle->stateImage(0).width(), 16);
        EXPECT_EQ(toggle->stateImage(0).at(0, 0), 0xFF00C800u);
        EXPECT_EQ(toggle->stateImage(1).at(1, 0), 0u);  // "off" starts 2 pixels in
        EXPECT_EQ(toggle->stateImage(1).at(2, 0), 0xFFC80000u);

        ytButtonNode* ok = table.FindButton("panel/ok");
        ASSERT_EQ(ok->StateCount(), 3);
        EXPECT_EQ(ok->stateImage(0).at(3, 3), 0xFF804020u);
        EXPECT_EQ(ok->stateImage(1).at(3, 3), 0xFFB35A2Du);          // 128, 64, 32 x 1.4
        EXPECT_EQ(ok->stateImage(2).at(3, 3), 0xFF66331Au);          // x 0.8
        EXPECT_EQ(ok->webTarget(), "http://example.invalid/OKPIN");  // the define, once
        EXPECT_EQ(table.FindButton("panel/go")->StateCount(), 3);
        EXPECT_EQ(table.FindButton("panel/hotspot")->StateCount(), 0);
        EXPECT_FLOAT_EQ(table.FindButton("panel/hotspot")->width(), 10);
        ASSERT_NE(table.FindButton("panel/b")->label(), nullptr);
        EXPECT_EQ(table.GetNodeName(table.FindButton("panel/b")->label()), "");

        ytButtonNode* radio1 = table.FindButton("panel/radio1");
        EXPECT_TRUE(radio1->toggle());
        EXPECT_EQ(radio1->labelColour(0), 0xFF112233u);
        EXPECT_EQ(radio1->labelColour(1), 0xFF445566u);
        EXPECT_EQ(radio1->labelColour(2), 0x80808080u);
        EXPECT_EQ(table.FindButton("panel/radio2")->label()->fontSize(), 9);

        // Bitmaps from references: "dot" names the file the reference before it opened.
        ytBitmapNode* dot = table.FindBitmap("panel/dot");
        EXPECT_EQ(dot->bitmap().width(), 4);
        EXPECT_EQ(dot->bitmap().at(0, 0), 0xFF0000C8u);
        EXPECT_FLOAT_EQ(dot->scaleX(), 2);
        EXPECT_FLOAT_EQ(dot->scaleY(), 2);
        ytBitmapNode* tiles = table.FindBitmap("panel/tiles");
        EXPECT_EQ(tiles->bitmap().width(), 3);
        EXPECT_EQ(tiles->bitmap().at(1, 1), 0xFF507807u);
        EXPECT_EQ(table.FindBitmap("panel/deco")->bitmap().width(), 6);
        EXPECT_TRUE(table.FindNode("panel/pane")->clipping());
        EXPECT_EQ(table.FindNode("panel/pane")->clipRect(), (ytRect{0, 0, 60, 30}));

        // Placement rules.
        ytDrawNode* title = table.FindNode("panel/title");
        ASSERT_EQ(title->ConstraintCount(Axis::kX), 2);
        expectRule(title->constraint(Axis::kX, 0), 0, 0.5f, 3, "title x 1");
        expectRule(title->constraint(Axis::kX, 1), 1, 1, -4, "title x 2");
        EXPECT_EQ(title->ConstraintCount(Axis::kY), 0);
        ASSERT_EQ(ok->ConstraintCount(Axis::kX), 2);
        ASSERT_EQ(ok->ConstraintCount(Axis::kY), 2);
        expectRule(ok->constraint(Axis::kX, 0), 0, 0, 10, "ok left");
        expectRule(ok->constraint(Axis::kX, 1), 1, 1, -170, "ok right");
        expectRule(ok->constraint(Axis::kY, 0), 0, 0, 70, "ok top");
        expectRule(ok->constraint(Axis::kY, 1), 1, 1, -38, "ok bottom");
        ytDrawNode* tinted = table.FindNode("panel/tinted");
        expectRule(tinted->constraint(Axis::kX, 0), 1, 0.35f, 0, "tinted right");
        expectRule(tinted->constraint(Axis::kY, 0), 1, 20.0f / 120, 0, "tinted bottom");
        EXPECT_TRUE(tinted->hidden());
        EXPECT_TRUE(tinted->draggable());
        const ytConstraint& range = table.FindNode("panel/thumb")->constraint(Axis::kX, 0);
        EXPECT_TRUE(range.range);
        EXPECT_FLOAT_EQ(range.a5, -8);
        ytSliderHandler* slider = table.FindNode("panel/track")->FindHandler<ytSliderHandler>();
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->mode(), 2);

        // The operations by name.
        EXPECT_EQ(table.FindNode("PANEL/Box"), table.FindNode("panel/box"));
        EXPECT_EQ(table.FindButton("panel/box"), nullptr);
        EXPECT_EQ(table.FindText("panel/box"), nullptr);
        EXPECT_EQ(table.FindBitmap("panel/box"), nullptr);
        EXPECT_EQ(table.ShowNode("panel/tinted"), 0);
        EXPECT_FALSE(tinted->hidden());
        EXPECT_EQ(table.SetVisible("panel/tinted", false), 0);
        EXPECT_TRUE(tinted->hidden());
        EXPECT_EQ(table.HideNode("panel/nosuch"), 4);
        EXPECT_EQ(table.PressButton("panel/box"), 4);
        EXPECT_EQ(table.PressButton("panel/radio1"), 0);
        EXPECT_TRUE(radio1->checked());
        EXPECT_EQ(table.GetNodeName(secondBox), "");

        table.Clear();
        EXPECT_EQ(table.FindNode("panel/box"), nullptr);
        delete document;
    }
    ytFontCache::FreeAll();
    EXPECT_EQ(LiveObjects(), liveBefore);  // the table let go of every node
}

TEST_F(LayoutFiles, CustomKindsAreMatchedFirst) {
    copyData(false);
    ytResourceTable table;
    std::vector<std::string> seen;
    auto factory = [&](const ytLayerDesc& desc, ytPsdDocument& psd) -> ytDrawNode* {
        seen.push_back(std::to_string(desc.kind) + " " + desc.name + " " + desc.arguments.at(0) +
                       " " + psd.LayerName(desc.layerIndex));
        return new ytColorCircleNode(1, 1, 0xFF000000u);
    };
    EXPECT_EQ(table.RegisterKind("gauge", factory), kCustomKindBase);
    EXPECT_EQ(table.RegisterKind("text", factory), kCustomKindBase + 1);  // before "text"
    ytDrawUI* document = new ytDrawUI();
    ASSERT_EQ(table.LoadArtwork("inset", document), 0);
    EXPECT_EQ(seen, std::vector<std::string>{"125 label Inside text(Inside):label"});
    EXPECT_EQ(typeid(*document->Root()), typeid(ytBGNode));
    ytDrawNode* label = table.FindNode("inset/label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(typeid(*label), typeid(ytColorCircleNode));
    EXPECT_EQ(label->parent(), document->Root());
    EXPECT_FLOAT_EQ(label->x(), 5);
    delete document;
    // Missing files: result codes, no boxes.
    EXPECT_EQ(table.LoadArtwork("nosuch", nullptr), 2);
    EXPECT_EQ(table.LoadLayout("nosuch"), 2);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(LayoutFiles, RuntimeCopiesFollowTheResourceFolder) {
    const fs::path res = folder_ / "res", runtime = folder_ / "runtime";
    fs::create_directories(res);
    fs::create_directories(runtime);
    writeText(res / "a.tre", "new");
    const auto past = fs::last_write_time(res / "a.tre") - std::chrono::hours(1);
    fs::last_write_time(res / "a.tre", past);

    // Missing copy: made, with the resource file's time.
    EXPECT_TRUE(RefreshFile(res.string(), runtime.string(), "a.tre"));
    EXPECT_EQ(readText(runtime / "a.tre"), "new");
    EXPECT_EQ(fs::last_write_time(runtime / "a.tre"), past);
    // Equal times: the copy is left alone, even when its contents differ.
    writeText(runtime / "a.tre", "local");
    fs::last_write_time(runtime / "a.tre", past);
    EXPECT_TRUE(RefreshFile(res.string(), runtime.string(), "a.tre"));
    EXPECT_EQ(readText(runtime / "a.tre"), "local");
    // Another time, and a read-only copy: replaced.
    fs::last_write_time(runtime / "a.tre", past - std::chrono::hours(1));
    fs::permissions(runtime / "a.tre",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_TRUE(RefreshFile(res.string(), runtime.string(), "a.tre"));
    EXPECT_EQ(readText(runtime / "a.tre"), "new");
    EXPECT_FALSE(fs::exists(runtime / "a.tre.partial"));
    // No resource file: nothing to do, nothing logged.
    EXPECT_FALSE(RefreshFile(res.string(), runtime.string(), "b.tre"));
    EXPECT_TRUE(g_log.empty());
    // A runtime folder that cannot take the copy: logged.
    EXPECT_FALSE(RefreshFile(res.string(), (folder_ / "none").string(), "a.tre"));
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].rfind("WARNING: COULD NOT COPY ", 0), 0u);
}

}  // namespace
