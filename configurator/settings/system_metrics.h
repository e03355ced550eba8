#pragma once

#include <string_view>

namespace quillon {

// The system measures that size the editor controls. All values are pixels.
class SystemMetrics {
public:
    virtual ~SystemMetrics() = default;

    virtual int VScrollArrowHeight() const = 0;
    virtual int Edge3DHeight() const = 0;
    virtual int VScrollBarWidth() const = 0;
    virtual int MenuCheckMarkWidth() const = 0;
    virtual int LogicalPixelsPerInch() const = 0;
    // Width of a Windows-1251 text in the system font.
    virtual int TextWidth(std::string_view text) const = 0;

    // Height of every control of an entry, and of a tree row without its one-pixel gap.
    int RowHeight() const { return VScrollArrowHeight() + 2 * Edge3DHeight(); }

    // A width scaled by 72 / logical pixels per inch, rounded to nearest.
    int Scaled(int width) const;
};

// Fixed measures for running without a display: those of a 96-dpi desktop, and a text width
// of 7 pixels per byte.
class HeadlessMetrics final : public SystemMetrics {
public:
    int VScrollArrowHeight() const override { return 17; }
    int Edge3DHeight() const override { return 2; }
    int VScrollBarWidth() const override { return 17; }
    int MenuCheckMarkWidth() const override { return 13; }
    int LogicalPixelsPerInch() const override { return 96; }
    int TextWidth(std::string_view text) const override {
        return static_cast<int>(text.size()) * 7;
    }
};

}  // namespace quillon
