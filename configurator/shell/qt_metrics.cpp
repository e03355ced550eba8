#include "shell/qt_metrics.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

#include "shell/qt_text.h"

namespace quillon {
namespace {

// The drop-down list width adds 12 pixels of text margin before the button width.
constexpr int kListTextMargin = 12;

}  // namespace

QtMetrics::QtMetrics(const QFont& font) : m_fontMetrics(font) {
    QStyle* style = QApplication::style();
    const int scrollBarExtent = style->pixelMetric(QStyle::PM_ScrollBarExtent);

    // A row must hold a line edit of this font without clipping its text.
    QLineEdit edit;
    edit.setFont(font);
    m_arrowHeight = std::max(scrollBarExtent, edit.sizeHint().height() - 2 * kEdgeHeight);

    // Whatever the style adds around a list's text: frame, margins and the arrow button.
    QComboBox list;
    list.setFont(font);
    QStyleOptionComboBox option;
    option.initFrom(&list);
    const int listOverhead = style
                                 ->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                    QSize(0, m_fontMetrics.height()), &list)
                                 .width();
    m_listButtonWidth = std::max(scrollBarExtent, listOverhead - kListTextMargin);

    const QString probeLabel = QStringLiteral("x");
    QCheckBox check(probeLabel);
    check.setFont(font);
    m_checkMarkWidth = check.sizeHint().width() - m_fontMetrics.horizontalAdvance(probeLabel);
}

int QtMetrics::TextWidth(std::string_view cp1251Text) const {
    return m_fontMetrics.horizontalAdvance(ToQString(cp1251Text));
}

}  // namespace quillon
