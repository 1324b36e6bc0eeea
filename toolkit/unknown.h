// ytUnknown: the reference count of scene nodes and handlers. A new object starts at 0
// references; whoever keeps it (a parent's child list, a document holding its root, a ytRef)
// adds one, and the last Release destroys it. Every object is in the toolkit's live-object
// count, which must be back at 0 when the toolkit stops.
#pragma once

#include <cstdint>
#include <utility>

namespace yt {

class IytUnknown {
public:
    virtual ~IytUnknown() = default;
    virtual int32_t AddRef() = 0;
    // Drops one reference and destroys the object when none is left.
    virtual int32_t Release() = 0;
};

class ytUnknown : public IytUnknown {
public:
    ytUnknown();
    ytUnknown(const ytUnknown&) = delete;
    ytUnknown& operator=(const ytUnknown&) = delete;
    ~ytUnknown() override;

    int32_t AddRef() override { return ++refs_; }
    int32_t Release() override;
    int32_t RefCount() const { return refs_; }

private:
    int32_t refs_ = 0;
};

// A holding pointer: one reference while it points at the object.
template <class T>
class ytRef {
public:
    ytRef() = default;
    ytRef(T* p) : p_(p) {  // NOLINT: taking a new object into a ytRef is the common case
        if (p_) p_->AddRef();
    }
    ytRef(const ytRef& o) : ytRef(o.p_) {}
    ytRef(ytRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ytRef& operator=(ytRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ytRef() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() { ytRef().swap(*this); }
    void swap(ytRef& o) noexcept { std::swap(p_, o.p_); }

private:
    T* p_ = nullptr;
};

}  // namespace yt
