#include "ui/Banner.h"

#include <cstring>

#include "ui/Contact.h"

namespace qv {

const char* const kBannerText = "http://" QV_CONTACT_WEB " --- " QV_CONTACT_MAIL " --- 2026 --- (^_^)";

std::string CaptionBanner::Step() {
    const auto length = static_cast<int32_t>(std::strlen(kBannerText));
    m_nOffset += m_nStep;
    if (m_nOffset + length > kBannerWidth || m_nOffset + length < 0) {
        m_nStep = -m_nStep;
        m_nOffset += 2 * m_nStep;
    }
    std::string caption = m_nOffset > 0 ? std::string(static_cast<size_t>(m_nOffset), ' ') : std::string();
    return caption + kBannerText;
}

}  // namespace qv
