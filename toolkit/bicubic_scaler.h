// What a ytBicubicNode shows and how it gets there: the picture's source (a bitmap, a JPEG file,
// JPEG data in memory, or numbered images from an image provider), the high-quality resample to
// the size on screen (on the window thread, or on a background worker that also asks the
// provider), and the mipmap of the result that draws the picture while the size changes.
//
// The node (toolkit/bicubic_node.*) calls Update once per frame with its size on screen and Draw
// with its box; this class holds everything else, so it runs and is tested without a scene tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/base_thread.h"
#include "toolkit/bitmap.h"
#include "toolkit/image_scaler.h"

namespace yt {

// Delivers numbered images on demand (a slide show, a map tile source). Called on the node's
// worker thread when background scaling is on, else on the window thread.
class ytImageProvider {
public:
    virtual ~ytImageProvider() = default;
    // Fills `bitmap` with image `number`, made for about width x height pixels (any size is
    // accepted: the node scales it). Nonzero: the image could not be made.
    virtual int32_t GetImage(int32_t number, ytBitmap& bitmap, int width, int height, int flag) = 0;
};

// What the scaler needs from its node: the notices it sends, its dirty marking, and the
// document's lock under which a finished picture is taken over.
class ytScalerHost {
public:
    virtual ~ytScalerHost() = default;
    virtual void SendNamedNotice(const char* text) = 0;
    virtual void MarkPictureDirty() = 0;
    virtual void LockDocument() {}
    virtual void UnlockDocument() {}
};

class ytBicubicScaler;

// The worker: asks the provider for the wanted image (or takes the node's source), resamples it
// to the size on screen and hands the result over.
class ytGetThread : public ytBaseThread {
public:
    explicit ytGetThread(ytBicubicScaler* owner) : owner_(owner) {}
    ~ytGetThread() override;
    int Run() override;

private:
    ytBicubicScaler* owner_;
};

class ytBicubicScaler {
public:
    // No picture wanted or delivered.
    static constexpr int32_t kNoImage = -1;

    ytBicubicScaler();
    ~ytBicubicScaler();
    ytBicubicScaler(const ytBicubicScaler&) = delete;
    ytBicubicScaler& operator=(const ytBicubicScaler&) = delete;

    // The picture's source; each replaces the others and asks for a rebuild.
    void SetSource(ytBitmap bitmap);
    void SetFile(const std::string& path);
    void SetMemory(const uint8_t* data, size_t length);  // the bytes are copied
    void SetProvider(ytImageProvider* provider, int32_t imageNumber);
    // Asks the provider for another image (the worker or the next rebuild delivers it).
    void SetImageNumber(int32_t imageNumber);

    // Background scaling: 0 resamples on the window thread; above 0 the worker does it.
    void SetBackgroundScaling(float value) { background_ = value; }
    void SetCropToFit(bool on);
    void SetScaleClamp(float clamp);
    bool cropToFit() const { return cropToFit_; }
    float scaleClamp() const { return scaleClamp_; }

    // The frame's update for a picture shown width x height pixels. Answers true when the node
    // must redraw (a new picture is ready).
    bool Update(int width, int height, ytScalerHost& host);
    // Draws the picture fitted into the box at (x, y) of size width x height, inside `clip`:
    // the resampled picture when it was made for this size, else the mipmap scaled.
    void Draw(ytBitmap& target, const ytRect& clip, int x, int y, int width, int height,
              int opacity) const;

    // The result of the last rebuild, the size it was made for, and the fit within it.
    const ytBitmap& scaled() const { return scaled_; }
    const ytMipmap& mipmap() const { return mipmap_; }
    int scaledForWidth() const { return builtWidth_; }
    int scaledForHeight() const { return builtHeight_; }
    const ytFit& fit() const { return fit_; }
    int32_t deliveredImage() const { return delivered_; }
    // The source's size (0 x 0 when none has been loaded).
    int sourceWidth() const { return source_.width(); }
    int sourceHeight() const { return source_.height(); }
    // True while the worker runs.
    bool WorkerBusy();
    // Waits for the worker (tests and the node's destructor).
    void StopWorker(int timeoutMs);

private:
    friend class ytGetThread;
    enum class Kind { kNone, kBitmap, kFile, kMemory, kProvider };

    // Loads the source when it is not there yet (file, memory, or the provider). 0 or an error.
    int32_t LoadSource(int width, int height);
    // Resamples the source for the box and keeps it, with its mipmap.
    void Rebuild(int width, int height);
    void StartWorker(int width, int height, bool askProvider);

    Kind kind_ = Kind::kNone;
    ytBitmap source_;
    ytBitmap scaled_;
    ytMipmap mipmap_;
    ytImageProvider* provider_ = nullptr;
    int32_t wanted_ = kNoImage;
    int32_t delivered_ = kNoImage;
    std::string path_;
    std::vector<uint8_t> memory_;
    float background_ = 0;
    bool cropToFit_ = true;
    float scaleClamp_ = 0;
    ytGetThread* worker_ = nullptr;
    bool rebuildNeeded_ = true;
    bool workerFinished_ = false;
    bool sourceFailed_ = false;

    int width_ = 0, height_ = 0;            // the size on screen last seen
    int builtWidth_ = 0, builtHeight_ = 0;  // the size the scaled picture was made for
    ytFit fit_;

    // The worker's job and result, guarded by the worker's critical section.
    struct Job {
        bool askProvider = false;
        int32_t number = kNoImage;
        int width = 0, height = 0;
        bool crop = true;
        float clamp = 0;
        ytBitmap source;   // the source to scale when the provider is not asked
        ytBitmap picture;  // the provider's image (result)
        ytBitmap scaled;   // result
        ytFit fit;
        int32_t status = 0;
    } job_;
};

}  // namespace yt
