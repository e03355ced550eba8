// An IPv4 address editor: four fields of up to three digits behind one frame, each of which
// may be blank, joined by dots.
#pragma once

#include <QFrame>
#include <array>

#include "settings/editor_control.h"

class QLabel;
class QLineEdit;

namespace quillon {

class AddressEdit final : public QFrame {
    Q_OBJECT

public:
    explicit AddressEdit(QWidget* parent = nullptr);

    AddressFields Fields() const;
    // Each field is 0..255 or kBlankField; a value outside is held as the nearest of those.
    void SetFields(const AddressFields& fields);

    QLineEdit& Field(int index) const { return *m_fields[static_cast<size_t>(index)]; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFieldEdited(int index);

    std::array<QLineEdit*, 4> m_fields{};
    std::array<QLabel*, 3> m_dots{};
};

}  // namespace quillon
