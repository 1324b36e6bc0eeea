// Reference counting for toolkit objects. Every counted object is in the toolkit's live-object
// count, which must be back at 0 when the toolkit stops.
#pragma once

#include <atomic>

namespace yt {

class ytBaseRef {
public:
    ytBaseRef();
    ytBaseRef(const ytBaseRef&) = delete;
    ytBaseRef& operator=(const ytBaseRef&) = delete;
    virtual ~ytBaseRef();

    void AddRef() { ++refs_; }
    // Drops one reference and destroys the object at zero.
    void Release();
    int RefCount() const { return refs_.load(); }

private:
    std::atomic<int> refs_{1};
};

}  // namespace yt
