#include "app/controller.h"

namespace tintel {

TintelController::~TintelController() {
    delete lightWorker;
    lightWorker = nullptr;
}

}  // namespace tintel
