// A dialog template as data: the controls of a resource script's dialog
// with their ids, kinds, texts, rectangles and initial states. The win32
// backend loads the real template from the program's resources by id; the
// headless backend builds its controls from this description.
#pragma once

#include <span>

namespace qv {

enum class ControlKind { PushButton, CheckBox, Static, Edit, MultiLineEdit, ListView };

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    bool visible;
    bool enabled;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int width, height;
    std::span<const ControlTemplate> controls;
};

}  // namespace qv
