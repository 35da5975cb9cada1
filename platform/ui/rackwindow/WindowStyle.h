#pragma once

#include <cstdint>

// The styles a window is created with, numbered as the classic window styles.
namespace plat::ui::style {

// A window inside its parent's client area, moved and clipped with it.
inline constexpr uint32_t kChild = 0x40000000;
// A top-level window without a title bar, that never takes the focus (its owner keeps it).
inline constexpr uint32_t kPopup = 0x80000000;
// Shown as soon as it is created.
inline constexpr uint32_t kVisible = 0x10000000;
// Created disabled: it takes no mouse or key input.
inline constexpr uint32_t kDisabled = 0x08000000;
// A raised border of Screen::dialogFrame() around the client area.
inline constexpr uint32_t kDialogFrame = 0x00400000;

}  // namespace plat::ui::style
