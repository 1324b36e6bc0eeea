// Windows built from files: the test artwork (tests/data/layout, drawn by tools/layout_artwork.py
// and written by ag-psd) and its layout scripts loaded into a tree, the exact error boxes and log
// lines; custom kinds, and refreshing the runtime copies from the resource folder.
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
        std::vector<std::string> layoutLog;  // without the font cache's lines
        for (const std::string& line : g_log)
            if (line.rfind("Reading ", 0) != 0) layoutLog.push_back(line);
        EXPECT_EQ(layoutLog,
                  (std::vector<std::string>{"Clearing existing constraints for panel/title.\n",
                                            "ToolTip Not Found panel/nosuch.\n"}));

        // The tree's shape: every layer kind, the nodes the script moved (caption into the pane,
        // the radios into their group, the thumb onto its track), the second "box" and the frame
        // counter unregistered, and the labels the buttons registered.
        ytDrawNode* root = document->Root();
        ASSERT_EQ(root, table.FindNode("panel/frame"));
        EXPECT_EQ(typeid(*root), typeid(ytBGBitmapNode));
        EXPECT_EQ(childNames(table, root),
                  "box ghost tinted shadowed empty title apply toggle dot tiles deco ok hotspot "
                  "pane broken - shade grip - meter group b-label b go sel spot wheel entry photo "
                  "link track down tile");
        EXPECT_EQ(childNames(table, table.FindNode("panel/pane")), "inset/bg inset/label caption");
        EXPECT_EQ(childNames(table, table.FindNode("panel/group")), "radio1 radio2");
        EXPECT_EQ(childNames(table, table.FindNode("panel/track")), "thumb");
        EXPECT_EQ(table.Count(), 43u);
        const struct {
            const char* name;
            const std::type_info& type;
            float x, y;
        } kinds[] = {
            {"panel/caption", typeid(ytTextNode), -90, -40},
            {"panel/pane", typeid(ytDrawNode), 100, 70},
            {"panel/tiles", typeid(ytTiledBitmapNode), 90, 50},
            {"panel/deco", typeid(ytDecRectNode), 130, 50},
            {"panel/shade", typeid(ytWinShadowNode), 20, 20},
            {"panel/grip", typeid(ytWinTrackNode), 180, 100},
            {"panel/sel", typeid(ytSelectionNode), 10, 86},
            {"panel/wheel", typeid(ytColorWheelNode), 120, 100},
            {"panel/entry", typeid(ytTextEditNode), 140, 100},
            {"panel/photo", typeid(ytBicubicNode), 180, 30},
            {"panel/spot", typeid(ytColorCircleNode), 52, 70},
            {"panel/radio2", typeid(ytButtonNode), 20, 2},
        };
        for (const auto& k : kinds) {
            ytDrawNode* node = table.FindNode(k.name);
            ASSERT_NE(node, nullptr) << k.name;
            EXPECT_EQ(typeid(*node), k.type) << k.name;
            EXPECT_EQ(node->x(), k.x) << k.name;
            EXPECT_EQ(node->y(), k.y) << k.name;
        }
        EXPECT_EQ(typeid(*root->children()[18]), typeid(ytFPSNode));
        for (const char* label : {"panel/apply-label", "panel/ok-label", "panel/go-label"})
            EXPECT_NE(table.FindText(label), nullptr) << label;
        for (const char* missing :
             {"panel/skipped", "panel/nolabel", "panel/lost", "panel/toggle-label"})
            EXPECT_EQ(table.FindNode(missing), nullptr) << missing;

        // What the layers' arguments and pixels became.
        auto rect = [&](const char* name) {
            return dynamic_cast<ytColorRectNode*>(table.FindNode(name));
        };
        EXPECT_EQ(table.FindNode("panel/box")->opacity(), 128);
        EXPECT_EQ(rect("panel/tinted")->colour(), 0x8019334Du);  // 0x80336699 premultiplied
        EXPECT_EQ(rect("inset/bg")->colour(), 0xFF336699u);      // the layer's first pixel
        EXPECT_FLOAT_EQ(rect("panel/shadowed")->shadow().opacity, 0.3f);
        EXPECT_EQ(dynamic_cast<ytBitmapNode*>(root)->bitmap().at(5, 7), 0xFF05075Au);
        ytTextNode* caption = table.FindText("panel/caption");
        EXPECT_EQ(caption->text(), "Hello");
        EXPECT_EQ(caption->fontName(), "Liberation Sans");
        EXPECT_EQ(caption->fontWeight(), 700);
        ytButtonNode* apply = table.FindButton("panel/apply");
        EXPECT_EQ(apply->label()->text(), "Apply");
        EXPECT_EQ(apply->stateImage(1).at(29, 11), 0xFF102040u);
        EXPECT_EQ(apply->tooltip(), "Apply the settings\nnow");
        ytButtonNode* ok = table.FindButton("panel/ok");
        ASSERT_EQ(ok->StateCount(), 3);
        EXPECT_EQ(ok->stateImage(1).at(3, 3), 0xFFB35A2Du);          // 128, 64, 32 x 1.4
        EXPECT_EQ(ok->stateImage(2).at(3, 3), 0xFF66331Au);          // x 0.8
        EXPECT_EQ(ok->webTarget(), "http://example.invalid/OKPIN");  // the define, once
        EXPECT_EQ(table.FindButton("panel/radio1")->labelColour(2), 0x80808080u);
        EXPECT_FLOAT_EQ(table.FindBitmap("panel/dot")->scaleX(), 2);
        EXPECT_EQ(table.FindNode("panel/pane")->clipRect(), (ytRect{0, 0, 60, 30}));

        // Placement rules: the last two of four, a maintained offset, a ratio, a range.
        ytDrawNode* title = table.FindNode("panel/title");
        ASSERT_EQ(title->ConstraintCount(Axis::kX), 2);
        EXPECT_FLOAT_EQ(title->constraint(Axis::kX, 0).a3, 3);
        EXPECT_FLOAT_EQ(title->constraint(Axis::kX, 1).a3, -4);
        EXPECT_FLOAT_EQ(ok->constraint(Axis::kY, 1).a3, -38);
        ytDrawNode* tinted = table.FindNode("panel/tinted");
        EXPECT_FLOAT_EQ(tinted->constraint(Axis::kY, 0).a2, 20.0f / 120);
        EXPECT_TRUE(tinted->hidden());
        EXPECT_TRUE(tinted->draggable());
        EXPECT_FLOAT_EQ(table.FindNode("panel/thumb")->constraint(Axis::kX, 0).a5, -8);
        EXPECT_EQ(table.FindNode("panel/track")->FindHandler<ytSliderHandler>()->mode(), 2);

        // The operations by name.
        EXPECT_EQ(table.FindNode("PANEL/Box"), table.FindNode("panel/box"));
        EXPECT_EQ(table.FindButton("panel/box"), nullptr);
        EXPECT_EQ(table.ShowNode("panel/tinted"), 0);
        EXPECT_FALSE(tinted->hidden());
        EXPECT_EQ(table.HideNode("panel/nosuch"), 4);
        EXPECT_EQ(table.PressButton("panel/radio1"), 0);
        EXPECT_TRUE(table.FindButton("panel/radio1")->checked());

        table.Clear();
        EXPECT_EQ(table.FindNode("panel/box"), nullptr);
        delete document;
    }
    ytFontCache::FreeAll();
    EXPECT_EQ(LiveObjects(), liveBefore);  // the table let go of every node
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
