// PENDING-FIXTURES: placeholders until the light output and candle work is merged; removed then.
#include "app/tintel_ui.h"

namespace tintel {
void TintelUI::onLightLevelKey(int) {}
void TintelUI::toggleLightOutput() {}
void TintelUI::toggleCandle() {}
}  // namespace tintel
