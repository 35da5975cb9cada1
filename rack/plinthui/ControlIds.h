#pragma once

#include <cstdint>

// The names, properties, commands and notifications of plinthui's controls.
namespace rack {

inline constexpr const char* kPrettyButtonClass = "PRTTBUTTON";
inline constexpr const char* kCompositeButtonClass = "CMPSTBTTN";
inline constexpr const char* kInformationClass = "PRXVXNFXCL";
inline constexpr const char* kScrollEventClass = "EVNTSCROLL";
inline constexpr const char* kScrollSignalClass = "SGNLSCROLL";

// The window properties that hold each control's state.
inline constexpr const char* kButtonProperty = "XXPBPROP";
inline constexpr const char* kStripProperty = "XXCBPROP";
inline constexpr const char* kScrollProperty = "XXSSESPROP";

// The command protocol: the owner sends kCommandMessage to a button with one of these in
// wParam. For a strip, lParam's high word names the slot by its command id and its low word
// carries the value; for a plain button lParam is the value.
inline constexpr uintptr_t kControlLatch = 0x4000;       // value: 0 toggles, 1 unlatches, 2 latches
inline constexpr uintptr_t kControlRepeatOn = 0x4100;
inline constexpr uintptr_t kControlRepeatOff = 0x4101;
inline constexpr uintptr_t kControlLook = 0x4102;        // lParam points to the new look descriptor
inline constexpr uintptr_t kControlToolTip = 0x4104;     // a string id, or (above 0xFFFF) a text pointer
inline constexpr uintptr_t kControlEnable = 0x4105;      // value: non-zero enables, 0 disables
inline constexpr uintptr_t kControlBlinkOn = 0x4106;
inline constexpr uintptr_t kControlBlinkOff = 0x4107;
inline constexpr uintptr_t kControlFlash = 0x4108;
inline constexpr uintptr_t kControlSlotId = 0x4700;      // strip: slot (low word) takes the id in the high word
inline constexpr uintptr_t kControlSlotTarget = 0x4800;  // strip: value 4096 makes the slot the next look's target

inline constexpr uintptr_t kLatchToggle = 0;
inline constexpr uintptr_t kLatchOff = 1;
inline constexpr uintptr_t kLatchOn = 2;
inline constexpr uintptr_t kSlotTargetValue = 4096;

// What a button posts to its owner: kCommandMessage with wParam its command id and lParam one
// of these.
inline constexpr intptr_t kNotifyClick = 2;    // a plain button released with the pointer inside
inline constexpr intptr_t kNotifyPress = 4;    // an auto-repeat button pressed
inline constexpr intptr_t kNotifyRelease = 8;  // an auto-repeat button released
inline constexpr intptr_t kNotifyRepeat = 16;  // a repeat of a held auto-repeat button

// The echo timer's period: blinking, repeats and scroll steps.
inline constexpr uint32_t kEchoPeriodMs = 75;

}  // namespace rack
