// readBacklight on Windows. Wine has no panel device "\\.\LCD", so this is the machine without a
// controllable panel: -1 and both outputs at 1.0, whatever they held before.
#include <gtest/gtest.h>

#include "colour/backlight.h"

TEST(BacklightDevice, AMachineWithoutAPanelDeviceGivesNoReading) {
    float levelFraction = 0.3f;
    float position = 0.7f;
    EXPECT_EQ(tintel::readBacklight(&levelFraction, &position), -1);
    EXPECT_EQ(levelFraction, 1.0f);
    EXPECT_EQ(position, 1.0f);
}
