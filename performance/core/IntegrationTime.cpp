#include "IntegrationTime.h"

namespace IntegrationTime {

namespace {

/// The time of k frames as the field holds it.
float TimeOfFrames(int k) {
    return static_cast<float>(k * kFrameMs * 0.001);
}

/// Raises the time to the next multiple of 0.36 s above when its milliseconds are not one.
/// A time that is a multiple is set to that multiple's exact value as well: repeated steps of
/// 0.36 s in single precision drift, and a drifted 0.36 s stepped down would leave a few
/// microseconds (0 frames) instead of wrapping to 91.8 s.
void RaiseToFrameMultiple(float& time) {
    const int ms = static_cast<int>(time * 1000.0f);
    time = TimeOfFrames(ms / kFrameMs + (ms % kFrameMs != 0 ? 1 : 0));
}

}  // namespace

int FramesOf(float time) {
    return static_cast<int>(time * 1000.0f + 0.5) / kFrameMs;
}

int CheckTime(float& time) {
    // Also a time that is not a number ends up in range.
    if (!(time >= kMinTime))
        time = kMinTime;
    if (time > kMaxTime)
        time = kMaxTime;
    RaiseToFrameMultiple(time);
    return FramesOf(time);
}

int Spin(float& time, int delta) {
    if (!(time >= kMinTime && time <= kMaxTime))
        time = kMaxTime;
    RaiseToFrameMultiple(time);
    if (delta < 0 && time >= kMinTime) {
        if (delta == -1)
            time -= kMinTime;
        else
            time += static_cast<float>(delta + 1);
        if (time <= kMinTime - kMinTime)
            time = kMaxTime;
    } else if (delta > 0 && time <= kMaxTime) {
        if (time == kMaxTime) {
            time = kMinTime;
        } else {
            if (delta == 1)
                time += kMinTime;
            else
                time += static_cast<float>(delta - 1);
            if (time >= kMaxTime + kMinTime)
                time = kMinTime;
        }
    }
    return time == kMaxTime ? kMaxFrames : FramesOf(time);
}

void CheckFrames(int& frames, float& time) {
    if (frames < kMinFrames || frames > kMaxFrames)
        frames = kMaxFrames;
    time = TimeOfFrames(frames);
}

}  // namespace IntegrationTime
