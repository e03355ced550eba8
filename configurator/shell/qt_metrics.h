#pragma once

#include <QFont>
#include <QFontMetrics>

#include "settings/system_metrics.h"

namespace quillon {

// The measures of the Qt style and font the editor controls are drawn with, taken once, so
// that every control fits its contents in this style as the native sizes fit theirs.
class QtMetrics final : public SystemMetrics {
public:
    explicit QtMetrics(const QFont& font);

    int VScrollArrowHeight() const override { return m_arrowHeight; }
    int Edge3DHeight() const override { return kEdgeHeight; }
    int VScrollBarWidth() const override { return m_listButtonWidth; }
    int MenuCheckMarkWidth() const override { return m_checkMarkWidth; }
    // The native widths were measured in the wide system font and scaled down by 72 / dpi to
    // approximate the dialog font. Here the texts are measured in the controls' own font, so
    // 72 makes that scaling an identity.
    int LogicalPixelsPerInch() const override { return 72; }
    int TextWidth(std::string_view cp1251Text) const override;

private:
    static constexpr int kEdgeHeight = 2;

    QFontMetrics m_fontMetrics;
    int m_arrowHeight = 0;
    int m_listButtonWidth = 0;
    int m_checkMarkWidth = 0;
};

}  // namespace quillon
