// The seven hand poses: how each is recognised from the 21 landmarks, and whether a seen hand is
// placed well enough to be used at all.
#pragma once

#include <array>

#include "tracking/hand_observation.h"
#include "tracking/point.h"

namespace vel {

using HandLandmarks = std::array<Point, kLandmarkCount>;

// Pose ids; 0 is "no pose". The open hand is the rest pose and never triggers an action.
inline constexpr int kPoseNone = 0;
inline constexpr int kPoseOneFinger = 1;
inline constexpr int kPoseTwoFingers = 2;
inline constexpr int kPoseThreeFingers = 3;
inline constexpr int kPoseClosedFist = 4;
inline constexpr int kPoseThumbUp = 5;
inline constexpr int kPoseIndexLittle = 6;
inline constexpr int kPoseOpenHand = 7;
inline constexpr int kPoseCount = 8;  // ids 0..7

// Finger masks: bit 0 index, 1 middle, 2 ring, 3 little; the thumb is never part of a mask.
inline constexpr int kIndexBit = 1;
inline constexpr int kMiddleBit = 2;
inline constexpr int kRingBit = 4;
inline constexpr int kLittleBit = 8;

struct PoseInfo {
  const wchar_t* name;  // shown to the user; empty for pose 0
  int fingerMask;
  int sheet;  // guide image: 0 finger-poses, 1 grab-open, 2 three-fingers, 3 custom-poses
  int cell;
};

// Indexed by pose id.
inline constexpr std::array<PoseInfo, kPoseCount> kPoses{{
    {L"", 0, 0, 0},
    {L"One finger", kIndexBit, 0, 0},
    {L"Two fingers", kIndexBit | kMiddleBit, 0, 2},
    {L"Three fingers", kIndexBit | kMiddleBit | kRingBit, 2, 0},
    {L"Closed fist", 0, 3, 0},
    {L"Thumb up", 0, 3, 1},
    {L"Index + little", kIndexBit | kLittleBit, 3, 2},
    {L"Open hand", kIndexBit | kMiddleBit | kRingBit | kLittleBit, 1, 0},
}};

enum class Finger { Thumb, Index, Middle, Ring, Little };

// A finger is extended when it is nearly straight at its middle joint and its tip is clearly
// farther from the wrist than that joint.
bool fingerExtended(const HandLandmarks& hand, Finger finger);

// Extended fingers as a finger mask.
int extendedFingers(const HandLandmarks& hand);

// The hand's size in pixels: the longer of wrist to middle base and index base to little base.
float palmSize(const HandLandmarks& hand);

// The pose id 0..7 of a usable hand.
int classifyPose(const HandLandmarks& hand);

enum class HandCheck { Usable, NoHand, TooFar, TooClose, CutOff };

// Whether the landmarks of a frame of width × height pixels show a hand placed well enough to use.
HandCheck checkHand(const HandLandmarks& hand, int width, int height);

// The same check for a tracker observation: one with no landmarks or a broken presence score is
// "no hand".
HandCheck checkObservation(const HandObservation& observation, int width, int height);

// The guidance for a hand that cannot be used; empty for a usable one.
const wchar_t* handCheckText(HandCheck check);

}  // namespace vel
