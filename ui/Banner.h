// The banner that moves to and fro in the main window's caption: every tick
// moves it one blank right or left within a width of 96 characters; at the
// left it pauses while the offset runs through 0 and below.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

inline constexpr int32_t kBannerWidth = 96;
extern const char* const kBannerText;

class CaptionBanner {
public:
    // Moves one step and gives the caption text.
    std::string Step();
    int32_t Offset() const { return m_nOffset; }

private:
    int32_t m_nOffset = 0;
    int32_t m_nStep = 1;
};

}  // namespace qv
