// The location dialog on the platform's real dialog box (GTK on the harness's X server, Win32
// under Wine): each 500 ms tick of its own timer the test types into the edit control (as the
// control's change notification reaches the dialog) and reads back the status line, OK and
// Search; then OK ends it. Cancel and the map page's choice are proven end to end
// (tests/e2e/location_test.py).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "app/location_dialog.h"
#include "app/prefs.h"
#include "tests/support/test_store.h"
#include "toolkit/dialog.h"
#include "toolkit/toolkit.h"

using namespace tintel;

#define DEG "\xB0"

namespace {

// What one tick sees before it acts (the status line, OK and Search enabled), then what it types.
struct Tick {
    const char* type;  // text to put into the edit control next (null: leave it)
    const char* status;
    bool ok, search;
};

class DrivenLocation : public GetLocation {
public:
    using GetLocation::GetLocation;
    std::vector<Tick> ticks;
    std::vector<std::string> failures;

    bool OnInitDialog(platform::RunningDialog* window) override {
        const bool answer = GetLocation::OnInitDialog(window);
        opened = window->controlText(kIdLocationText);
        okAtOpen = window->isEnabled(platform::kIdOk);
        return answer;
    }

    void OnTimer(uintptr_t id) override {
        GetLocation::OnTimer(id);
        platform::RunningDialog* w = Window();
        if (next_ < ticks.size()) {
            const Tick& t = ticks[next_];
            const std::string status = w->controlText(kIdLocationStatus);
            if (status != t.status || w->isEnabled(platform::kIdOk) != t.ok ||
                w->isEnabled(kIdLocationSearch) != t.search)
                failures.push_back("after \"" + typed_ + "\": status \"" + status + "\" ok " +
                                   std::to_string(w->isEnabled(platform::kIdOk)) + " search " +
                                   std::to_string(w->isEnabled(kIdLocationSearch)));
            if (t.type) {
                typed_ = t.type;
                w->setControlText(kIdLocationText, t.type);
            }
            ++next_;
            return;
        }
        OnCommand(platform::kBnClicked, platform::kIdOk, 0);
    }

    std::string opened;
    bool okAtOpen = true;

private:
    size_t next_ = 0;
    std::string typed_;
};

class LocationDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, true, &why), 0) << why;
        store_ = std::make_unique<testsupport::PrivateStore>();
        yt::SetDialogResources(&DialogTemplates());
    }
    void TearDown() override {
        yt::SetDialogResources(nullptr);
        store_.reset();
        yt::Stop();
    }
    std::unique_ptr<testsupport::PrivateStore> store_;
};

}  // namespace

TEST_F(LocationDialog, ResolvesTypedTextAndOkTakesIt) {
    DrivenLocation dialog({501, 40.8125f, -73.03125f}, "http://127.0.0.1:9/winmap.html");
    dialog.ticks = {
        // The opening text "00501", evaluated; the first tick enabled OK.
        {"sydney", "ZIP found! Near 40.8" DEG "N, 73.0" DEG "W (North America)", true, false},
        {"95, 20", "", false, true},
        {"New York City", "", false, true},
        {"25N, 32W", "", false, true},
        {"90210", "Location: 25.0" DEG "N, 32.0" DEG "W (North America)", true, false},
        {nullptr, "ZIP found! Near 34.1" DEG "N, 118.4" DEG "W (North America)", true, false},
    };
    EXPECT_NE(dialog.DoModal(nullptr), 0);
    for (const std::string& f : dialog.failures)
        ADD_FAILURE() << f;
    EXPECT_EQ(dialog.opened, "00501");
    EXPECT_FALSE(dialog.okAtOpen);
    EXPECT_TRUE(dialog.Accepted());
    EXPECT_EQ(dialog.result().postalCode, 90210u);
    EXPECT_FLOAT_EQ(dialog.result().latitude, 34.09375f);
    EXPECT_FLOAT_EQ(dialog.result().longitude, -118.40625f);
}
