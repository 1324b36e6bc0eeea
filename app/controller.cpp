#include "app/controller.h"

namespace tintel {

void TintelController::openDisplays() {
    displayConnection_ = platform::openDisplaySystem();
    displaySystem = displayConnection_.get();
}

void resetDisplays(TintelController& controller) {
    double kelvin = 6500;
    applyDisplayColour(controller, 1.0, kelvin, 0.0, false);
}

TintelController::~TintelController() {
    delete lightWorker;
    lightWorker = nullptr;
}

}  // namespace tintel
