#include "ui/types.h"

namespace ui {

CString CString::Left(std::size_t count) const
{
    std::size_t at = 0;
    for (std::size_t n = 0; n < count && at < m_text.size(); ++n) {
        ++at;
        // Continuation bytes belong to the character before them.
        while (at < m_text.size() && (static_cast<unsigned char>(m_text[at]) & 0xC0u) == 0x80u)
            ++at;
    }
    return CString(m_text.substr(0, at));
}

}  // namespace ui
