// The platform's extended gamma range setting (read side).
#pragma once

namespace platform {

// True when the platform's wider gamma range is switched on. Always false where the platform has
// no such switch (Linux).
bool isWideGammaRangeEnabled();

}  // namespace platform
