#include "toolkit/bicubic_scaler.h"

#include <algorithm>
#include <utility>

#include "base/debug_log.h"
#include "platform/thread.h"
#include "toolkit/jpeg.h"

namespace yt {

namespace {
// How long the scaler's owner waits for a worker stuck in a provider before ending it by force.
constexpr int kWorkerStopMs = 5000;
}  // namespace

// ---- the worker --------------------------------------------------------------------------------

ytGetThread::~ytGetThread() {
    Stop(0);
}

int ytGetThread::Run() {
    platform::lowerCurrentThreadPriority();
    ytBicubicScaler::Job job;
    ytImageProvider* provider;
    Lock();
    job.askProvider = owner_->job_.askProvider;
    job.number = owner_->job_.number;
    job.width = owner_->job_.width, job.height = owner_->job_.height;
    job.crop = owner_->job_.crop, job.clamp = owner_->job_.clamp;
    job.source = std::move(owner_->job_.source);
    provider = owner_->provider_;
    Unlock();

    if (job.askProvider) {
        base::DebugLog("Calling GetImage for %d\n", job.number);
        job.status =
            provider ? provider->GetImage(job.number, job.picture, job.width, job.height, 0) : -1;
        base::DebugLog("Lastimage is now %d\n", job.number);
        if (job.status == 0 && job.picture.empty()) job.status = -1;
    }
    const ytBitmap& picture = job.askProvider ? job.picture : job.source;
    if (job.status == 0 && !StopRequested()) {
        job.fit = FitPicture(picture.width(), picture.height(), job.width, job.height, job.crop,
                             job.clamp);
        job.scaled = Resample(picture, job.fit.width, job.fit.height,
                              job.fit.Visible(job.width, job.height));
    }

    Lock();
    owner_->job_.status = job.status;
    owner_->job_.fit = job.fit;
    owner_->job_.scaled = std::move(job.scaled);
    owner_->job_.picture = std::move(job.picture);
    if (!job.askProvider) owner_->job_.source = std::move(job.source);
    owner_->workerFinished_ = true;
    Unlock();
    return 0;
}

// ---- sources
// -------------------------------------------------------------------------------------

ytBicubicScaler::ytBicubicScaler() = default;

ytBicubicScaler::~ytBicubicScaler() {
    StopWorker(kWorkerStopMs);
    delete worker_;
}

void ytBicubicScaler::SetSource(ytBitmap bitmap) {
    kind_ = Kind::kBitmap;
    source_ = std::move(bitmap);
    rebuildNeeded_ = true, sourceFailed_ = false;
}

void ytBicubicScaler::SetFile(const std::string& path) {
    kind_ = Kind::kFile;
    path_ = path;
    source_ = ytBitmap();
    rebuildNeeded_ = true, sourceFailed_ = false;
}

void ytBicubicScaler::SetMemory(const uint8_t* data, size_t length) {
    kind_ = Kind::kMemory;
    memory_.assign(data, data + length);
    source_ = ytBitmap();
    rebuildNeeded_ = true, sourceFailed_ = false;
}

void ytBicubicScaler::SetProvider(ytImageProvider* provider, int32_t imageNumber) {
    StopWorker(kWorkerStopMs);  // a running worker still uses the old provider
    kind_ = Kind::kProvider;
    provider_ = provider;
    wanted_ = imageNumber;
    delivered_ = kNoImage;
    source_ = ytBitmap();
    rebuildNeeded_ = true, sourceFailed_ = false;
}

void ytBicubicScaler::SetImageNumber(int32_t imageNumber) {
    if (imageNumber != wanted_) sourceFailed_ = false;
    wanted_ = imageNumber;
}

void ytBicubicScaler::SetCropToFit(bool on) {
    if (on != cropToFit_) rebuildNeeded_ = true;
    cropToFit_ = on;
}

void ytBicubicScaler::SetScaleClamp(float clamp) {
    if (clamp != scaleClamp_) rebuildNeeded_ = true;
    scaleClamp_ = clamp;
}

int32_t ytBicubicScaler::LoadSource(int width, int height) {
    switch (kind_) {
        case Kind::kNone:
            return 4;
        case Kind::kBitmap:
            return source_.empty() ? 4 : 0;
        case Kind::kFile:
            return source_.empty() ? LoadJpegFile(path_, source_) : 0;
        case Kind::kMemory:
            return source_.empty() ? DecodeJpeg(memory_.data(), memory_.size(), source_) : 0;
        case Kind::kProvider:
            if (!source_.empty() && delivered_ == wanted_) return 0;
            if (!provider_) return 4;
            {
                ytBitmap picture;
                base::DebugLog("Calling GetImage for %d\n", wanted_);
                const int32_t status = provider_->GetImage(wanted_, picture, width, height, 0);
                base::DebugLog("Lastimage is now %d\n", wanted_);
                if (status != 0 || picture.empty()) return status != 0 ? status : 4;
                source_ = std::move(picture);
                delivered_ = wanted_;
            }
            return 0;
    }
    return 4;
}

// ---- rebuilding
// ----------------------------------------------------------------------------------

void ytBicubicScaler::Rebuild(int width, int height) {
    fit_ = FitPicture(source_.width(), source_.height(), width, height, cropToFit_, scaleClamp_);
    scaled_ = Resample(source_, fit_.width, fit_.height, fit_.Visible(width, height));
    mipmap_.Build(scaled_);
    builtWidth_ = width, builtHeight_ = height;
    rebuildNeeded_ = false;
}

bool ytBicubicScaler::WorkerBusy() {
    return worker_ && worker_->Running();
}

void ytBicubicScaler::StopWorker(int timeoutMs) {
    if (worker_) worker_->Stop(timeoutMs);
}

void ytBicubicScaler::StartWorker(int width, int height, bool askProvider) {
    if (!worker_) worker_ = new ytGetThread(this);
    worker_->Lock();
    job_ = Job{};
    job_.askProvider = askProvider;
    job_.number = askProvider ? wanted_ : delivered_;
    job_.width = width, job_.height = height;
    job_.crop = cropToFit_, job_.clamp = scaleClamp_;
    if (!askProvider) job_.source = source_;
    workerFinished_ = false;
    worker_->Unlock();
    if (worker_->Start() != 0) workerFinished_ = false;
}

bool ytBicubicScaler::Update(int width, int height, ytScalerHost& host) {
    if (width <= 0 || height <= 0) return false;
    bool redraw = false;
    // 1. A new size on screen needs a new picture.
    if (width != width_ || height != height_) {
        width_ = width, height_ = height;
        rebuildNeeded_ = true;
    }

    // 3. The worker has finished: its picture is taken over inside the document's lock.
    bool finished = false;
    if (worker_) {
        worker_->Lock();
        finished = workerFinished_;
        worker_->Unlock();
    }
    if (finished && !WorkerBusy()) {
        host.LockDocument();
        worker_->Lock();
        Job done = std::move(job_);
        job_ = Job{};
        workerFinished_ = false;
        worker_->Unlock();
        host.UnlockDocument();
        host.SendNamedNotice("BicubicEndThread");
        if (done.status == 0) {
            if (done.askProvider) {
                source_ = std::move(done.picture);
                delivered_ = done.number;
            } else if (source_.empty()) {
                source_ = std::move(done.source);
            }
            base::DebugLog("Building MIPMap...\n");
            scaled_ = std::move(done.scaled);
            fit_ = done.fit;
            mipmap_.Build(scaled_);
            builtWidth_ = done.width, builtHeight_ = done.height;
            rebuildNeeded_ = builtWidth_ != width_ || builtHeight_ != height_;
            host.MarkPictureDirty();
            redraw = true;
        } else {
            // The provider could not make the image: not asked again until another is wanted.
            delivered_ = done.number;
            sourceFailed_ = true;
        }
    }
    if (WorkerBusy()) return redraw;

    const bool background = background_ > 0;
    // 2. The provider has another image to deliver: the worker asks for it.
    if (background && kind_ == Kind::kProvider && wanted_ != delivered_ && !sourceFailed_) {
        delivered_ = kNoImage;
        StartWorker(width, height, true);
        host.SendNamedNotice("BicubicBeginThread");
        return redraw;
    }
    // A new size for a picture that is there: the worker resamples it.
    if (background && rebuildNeeded_ && !source_.empty() && !scaled_.empty()) {
        StartWorker(width, height, false);
        host.SendNamedNotice("BicubicBeginThread");
        return redraw;
    }
    // 4. On the window thread: without background scaling, or without a picture yet.
    const bool providerBehind = kind_ == Kind::kProvider && wanted_ != delivered_;
    if ((!background || scaled_.empty()) && (rebuildNeeded_ || providerBehind) && !sourceFailed_) {
        if (LoadSource(width, height) != 0) {
            sourceFailed_ = true;
            return redraw;
        }
        Rebuild(width, height);
        host.MarkPictureDirty();
        redraw = true;
    }
    return redraw;
}

// ---- drawing
// -------------------------------------------------------------------------------------

void ytBicubicScaler::Draw(ytBitmap& target, const ytRect& clip, int x, int y, int width,
                           int height, int opacity) const {
    if (scaled_.empty() || width <= 0 || height <= 0) return;
    const ytRect box{std::max(clip.left, x), std::max(clip.top, y), std::min(clip.right, x + width),
                     std::min(clip.bottom, y + height)};
    const int offsetX = std::max(fit_.x, 0), offsetY = std::max(fit_.y, 0);
    if (width == builtWidth_ && height == builtHeight_) {
        // Made for this size: placed pixel for pixel.
        SampleBilinear(
            target, box, scaled_,
            ytSampleMap::Into(scaled_, x + offsetX, y + offsetY, scaled_.width(), scaled_.height()),
            SampleOp::kBlend, opacity);
        return;
    }
    // The size is changing: the last picture stretched with the box, from its mipmap.
    const double sx = static_cast<double>(width) / builtWidth_,
                 sy = static_cast<double>(height) / builtHeight_;
    mipmap_.Draw(target, box, x + offsetX * sx, y + offsetY * sy, scaled_.width() * sx,
                 scaled_.height() * sy, opacity);
}

}  // namespace yt
