#include "toolkit/unknown.h"

#include "toolkit/toolkit.h"

namespace yt {

ytUnknown::ytUnknown() {
    CountObject(1);
}

ytUnknown::~ytUnknown() {
    CountObject(-1);
}

int32_t ytUnknown::Release() {
    const int32_t left = --refs_;
    if (left <= 0) delete this;
    return left;
}

}  // namespace yt
