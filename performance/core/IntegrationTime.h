#pragma once

/// Integration time and number of frames of the bit error rate test. One frame is 360 ms of
/// test signal carrying 3456 bits; the time is always a multiple of 0.36 s and the frames are
/// the time divided by 0.36 s. Times are single-precision seconds, as the screen's field holds.
namespace IntegrationTime {

constexpr float kMinTime = 0.36f;  ///< one frame
constexpr float kMaxTime = 91.8f;  ///< 255 frames
constexpr int kFrameMs = 360;
constexpr int kMinFrames = 1;
constexpr int kMaxFrames = 255;
constexpr int kBitsPerFrame = 3456;

/// Frames of a time: (time x 1000 + 0.5, truncated) / 360.
int FramesOf(float time);

/// The time field lost the focus: the time is clamped to 0.36..91.8 s and raised to the next
/// multiple of 0.36 s; returns the frames.
int CheckTime(float& time);

/// One step of the wrapping spin button by delta (+1 up, -1 down; larger steps while an
/// arrow is held add delta - 1 or delta + 1 seconds). Down from 0.36 s wraps to 91.8 s and
/// up from 91.8 s to 0.36 s. Returns the frames.
int Spin(float& time, int delta);

/// The frames field lost the focus: 1 to 255 frames set the time to frames x 0.36 s; any
/// other count becomes 255 frames and 91.8 s.
void CheckFrames(int& frames, float& time);

}  // namespace IntegrationTime
