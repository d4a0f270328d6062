// Windows described as data: one table of controls that every window backend builds from.
#pragma once
#include <string_view>
#include <vector>

namespace platform {

enum class Kind { PictureButton, AnimationBox, EditBox, Label };
enum class Align { Left, Center, Right };
enum class Filter { None, Integer }; // Integer: only the digits 0-9 and "-" can be typed

struct ControlSpec {
    std::string_view name;
    Kind kind;
    int left, top, width, height;
    std::string_view text = {};
    bool visible = true;
    Align align = Align::Left;
    bool readOnly = false;
    Filter filter = Filter::None;
    int maxLength = 0; // characters that typing allows; 0 = no limit
    bool handCursor = false;
    // Picture buttons: asset stem, shown as <stem>_normal/_hover/_pressed.jpg.
    // Animation boxes: the asset shown at first (may be empty).
    std::string_view picture = {};
};

struct Form {
    std::string_view name; // also the window's address for property access
    std::string_view caption;
    int left, top, width, height;
    std::string_view background; // asset name of the window's background picture
    std::vector<ControlSpec> controls;

    const ControlSpec* Find(std::string_view control) const {
        for (const ControlSpec& c : controls)
            if (c.name == control) return &c;
        return nullptr;
    }
};

} // namespace platform
