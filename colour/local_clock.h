// The local clock the solar schedule reads: the local date and time and the time zone's state.
// The program reads the platform's; tests and the controller can hold the clock at any moment.
#pragma once

#include <optional>

#include "platform/local_time.h"
#include "platform/timezone.h"

namespace tintel {

class LocalClock {
public:
    virtual ~LocalClock() = default;
    // The local date and time.
    virtual platform::LocalDateTime localDateTime() const = 0;
    // The zone's standard offset and the daylight shift in force at that date and time.
    virtual platform::ZoneState zone() const = 0;
};

// The platform's clock and time zone, read afresh on every call.
class SystemLocalClock final : public LocalClock {
public:
    // The platform's local date and time now.
    platform::LocalDateTime localDateTime() const override;
    // The platform's zone now (GetTimeZoneInformation on Windows).
    platform::ZoneState zone() const override;
};

// A clock held at a chosen local date and time. Its zone is the platform's own zone as the
// platform's rules give it at that moment, unless a zone is given; a given zone stands for a
// place the platform is not set to (the platform's zone cannot be changed inside a process).
class SetLocalClock final : public LocalClock {
public:
    explicit SetLocalClock(const platform::LocalDateTime& local) : local_(local) {}
    SetLocalClock(const platform::LocalDateTime& local, const platform::ZoneState& zone)
        : local_(local), zone_(zone) {}

    // Moves the clock to another local date and time.
    void set(const platform::LocalDateTime& local) { local_ = local; }
    // The date and time the clock is held at.
    platform::LocalDateTime localDateTime() const override { return local_; }
    // The given zone, or the platform's zone at the held date and time.
    platform::ZoneState zone() const override;

private:
    platform::LocalDateTime local_;
    std::optional<platform::ZoneState> zone_;
};

}  // namespace tintel
