// The window messages, notifications and control styles that the dialogs
// use, with their Windows values, and the portable notification records that
// both backends hand to a dialog's WM_NOTIFY handling.
#pragma once

#include <cstdint>

#include "framework/Wnd.h"

namespace qv {

inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmSetIcon = 0x0080;
inline constexpr uint32_t kWmNotify = 0x004E;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmCommand = 0x0111;

inline constexpr uint32_t kBnClicked = 0;
inline constexpr uint32_t kBmGetCheck = 0x00F0;
inline constexpr uint32_t kBmSetCheck = 0x00F1;
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;

inline constexpr WParam kIconSmall = 0;
inline constexpr WParam kIconBig = 1;

// Notification codes (negative values as unsigned, as Windows defines them).
inline constexpr uint32_t kNmClick = static_cast<uint32_t>(-2);
inline constexpr uint32_t kLvnItemChanged = static_cast<uint32_t>(-101);
inline constexpr uint32_t kLvnColumnClick = static_cast<uint32_t>(-108);

// List view item states.
inline constexpr uint32_t kLvisFocused = 0x1;
inline constexpr uint32_t kLvisSelected = 0x2;

// WM_COMMAND's wParam: the control id in the low word, the code above it.
constexpr WParam MakeCommand(int id, uint32_t code) {
    return (static_cast<WParam>(code & 0xFFFF) << 16) | static_cast<WParam>(id & 0xFFFF);
}
constexpr int CommandId(WParam wParam) { return static_cast<int>(wParam & 0xFFFF); }
constexpr uint32_t CommandCode(WParam wParam) { return static_cast<uint32_t>((wParam >> 16) & 0xFFFF); }

// What WM_NOTIFY's lParam points to in this framework, for every
// notification of a list: NMLISTVIEW's fields.
struct ListNotify {
    uintptr_t idFrom = 0;
    uint32_t code = 0;
    int32_t iItem = -1;
    int32_t iSubItem = 0;
    uint32_t uNewState = 0;
    uint32_t uOldState = 0;
    uint32_t uChanged = 0;
    LParam lParam = 0;
};

}  // namespace qv
