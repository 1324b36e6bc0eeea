#include "toolkit/base.h"

#include "toolkit/toolkit.h"

namespace yt {

ytBaseRef::ytBaseRef() {
    CountObject(1);
}

ytBaseRef::~ytBaseRef() {
    CountObject(-1);
}

void ytBaseRef::Release() {
    if (--refs_ == 0) delete this;
}

}  // namespace yt
