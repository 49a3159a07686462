// The window messages and button states that the dialogs use, with their
// Windows values; the list notifications and their record (ListNotify, what
// WM_NOTIFY's lParam points to in this framework) come from ListView.h.
#pragma once

#include <cstdint>

#include "framework/ListView.h"
#include "framework/Wnd.h"

namespace qv {

inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmSetIcon = 0x0080;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmCommand = 0x0111;

inline constexpr uint32_t kBnClicked = 0;
inline constexpr uint32_t kBmGetCheck = 0x00F0;
inline constexpr uint32_t kBmSetCheck = 0x00F1;
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;

inline constexpr WParam kIconSmall = 0;
inline constexpr WParam kIconBig = 1;

// WM_COMMAND's wParam: the control id in the low word, the code above it.
constexpr WParam MakeCommand(int id, uint32_t code) {
    return (static_cast<WParam>(code & 0xFFFF) << 16) | static_cast<WParam>(id & 0xFFFF);
}
constexpr int CommandId(WParam wParam) { return static_cast<int>(wParam & 0xFFFF); }
constexpr uint32_t CommandCode(WParam wParam) { return static_cast<uint32_t>((wParam >> 16) & 0xFFFF); }

}  // namespace qv
