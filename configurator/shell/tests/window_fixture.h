// A shown main window whose commands ask a script, with helpers that find rows by key or by
// caption and tell where a control should stand.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/entries.h"
#include "settings/testing/scripted_dialogs.h"
#include "shell/entry_tree_model.h"
#include "shell/qt_controls.h"
#include "shell/qt_text.h"
#include "shell/quillon_dlg.h"
#include "shell/settings_tree_view.h"

namespace quillon::testing {

inline QWidget& WidgetOf(const CSetupEntry& entry, size_t control = 0) {
    return static_cast<const QtControl&>(entry.GetControl(control)).Widget();
}

// Where control i of an entry stands relative to the entry's point: the file entry's button
// right of its edit box, password boxes side by side, everything else at the point.
inline int ControlOffset(const CSetupEntry& entry, size_t control) {
    const bool sideBySide =
        entry.GetKind() == EntryKind::kFile || entry.GetKind() == EntryKind::kPassword;
    int offset = 0;
    for (size_t i = 0; sideBySide && i < control; ++i) {
        offset += WidgetOf(entry, i).width();
    }
    return offset;
}

// Runs action once a modal widget of type T is up (a dialog opened by what the test does
// next), failing the test when none appears within 10 s. A dialog that comes up later still,
// on a loaded machine, is closed when it appears, so that the test fails instead of waiting
// for ever; after a minute the watch ends.
template <typename T>
void WhenModal(std::function<void(T&)> action) {
    auto* timer = new QTimer;
    const auto started = std::chrono::steady_clock::now();
    auto late = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, action, started, late] {
        QWidget* modal = QApplication::activeModalWidget();
        const auto waited = std::chrono::steady_clock::now() - started;
        if (!*late) {
            if (auto* wanted = qobject_cast<T*>(modal)) {
                timer->stop();
                timer->deleteLater();
                action(*wanted);
                return;
            }
            if (waited > std::chrono::seconds(10)) {
                *late = true;
                ADD_FAILURE() << "no modal dialog appeared within 10 s";
            }
        }
        if (*late && (modal != nullptr || waited > std::chrono::minutes(1))) {
            timer->stop();
            timer->deleteLater();
            if (modal != nullptr) {
                modal->close();
            }
        }
    });
    timer->start(10);
}

class WindowTest : public ::testing::Test {
protected:
    explicit WindowTest(UserDialogs* dialogs) : m_window(dialogs) { Show(); }
    WindowTest() : m_window(&m_dialogs) { Show(); }

    CQuillonDlg& Window() { return m_window; }
    SettingsTreeView& Tree() { return m_window.Tree(); }
    const EntryTreeModel& Model() { return m_window.Model(); }
    ScriptedDialogs& Dialogs() { return m_dialogs; }

    CSetupEntry& Entry(std::string_view key) {
        CSetupEntry* entry = m_window.Root().FindEntry(key);
        if (entry == nullptr) {
            throw std::out_of_range("no entry with key " + std::string(key));
        }
        return *entry;
    }
    QModelIndex Item(std::string_view key) { return Model().IndexOf(Entry(key)); }

    // The item reached through UTF-8 captions from the top level down.
    QModelIndex Heading(std::initializer_list<std::string_view> captions) {
        QModelIndex item;
        for (std::string_view caption : captions) {
            const QString wanted = QString::fromUtf8(caption.data(), caption.size());
            QModelIndex next;
            for (int row = 0; row < Model().rowCount(item); ++row) {
                const QModelIndex child = Model().index(row, 0, item);
                if (child.data().toString() == wanted) {
                    next = child;
                    break;
                }
            }
            if (!next.isValid()) {
                throw std::out_of_range("no item " + std::string(caption));
            }
            item = next;
        }
        return item;
    }

    void ExpandTo(const QModelIndex& item) {
        for (QModelIndex parent = item.parent(); parent.isValid(); parent = parent.parent()) {
            Tree().expand(parent);
        }
    }

    // The tree expanded below the exchange channels by '*', the largest branch, with the
    // focus in the tree.
    void ExpandExchangeChannels() {
        Tree().setFocus();
        Tree().setCurrentIndex(Heading({"Настройки каналов обмена"}));
        QTest::keyClick(&Tree(), Qt::Key_Asterisk);
        QApplication::processEvents();
    }

    // The last row of the open tree.
    QModelIndex LastRow() {
        QModelIndex last = Model().index(Model().rowCount() - 1, 0);
        while (Tree().isExpanded(last) && Model().rowCount(last) > 0) {
            last = Model().index(Model().rowCount(last) - 1, 0, last);
        }
        return last;
    }

    // The first drop-down list shown beside a row, with more than minimum items; none when
    // there is none.
    QComboBox* ShownList(int minimum = 0) {
        for (QComboBox* candidate : m_window.ClientArea().findChildren<QComboBox*>()) {
            if (candidate->isVisible() && candidate->count() > minimum) {
                return candidate;
            }
        }
        return nullptr;
    }

    // One wheel notch down over a point of a widget.
    static void WheelNotch(QWidget& over, QPoint at) {
        QWheelEvent wheel(at, over.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&over, &wheel);
    }

    int ColumnX() { return Tree().geometry().right() + 1 + 8; }
    // The top of the item's row in the client area, or -1 when the row is not wholly visible.
    int VisibleRowTop(const QModelIndex& item) {
        const QRect row = Tree().visualRect(item);
        const int viewHeight = Tree().viewport()->height();
        if (!row.isValid() || row.top() < 0 || row.bottom() + 1 > viewHeight) {
            return -1;
        }
        return Tree().viewport()->mapTo(&m_window.ClientArea(), row.topLeft()).y();
    }

    // Every control of the item's entry stands beside its wholly visible row, or the row is
    // not wholly visible and every control is hidden.
    ::testing::AssertionResult PlacedBesideRow(const QModelIndex& item) {
        const CSetupEntry& entry = *Model().EntryAt(item);
        const int top = VisibleRowTop(item);
        for (size_t i = 0; i < entry.GetControlCount(); ++i) {
            const QWidget& widget = WidgetOf(entry, i);
            const std::string name =
                FromCp1251(entry.GetCaption()) + " control " + std::to_string(i);
            if (top < 0) {
                if (widget.isVisible()) {
                    return ::testing::AssertionFailure() << name << " is shown off its row";
                }
                continue;
            }
            const QPoint expected(ColumnX() + ControlOffset(entry, i), top);
            if (!widget.isVisible() || widget.pos() != expected) {
                return ::testing::AssertionFailure()
                       << name << " visible " << widget.isVisible() << " at (" << widget.x() << ", "
                       << widget.y() << "), row wants (" << expected.x() << ", " << expected.y()
                       << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }

    // PlacedBesideRow for every item of the tree.
    ::testing::AssertionResult EveryControlBesideItsRow(const QModelIndex& parent = {}) {
        for (int row = 0; row < Model().rowCount(parent); ++row) {
            const QModelIndex item = Model().index(row, 0, parent);
            if (auto result = PlacedBesideRow(item); !result) {
                return result;
            }
            if (auto result = EveryControlBesideItsRow(item); !result) {
                return result;
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    void Show() {
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&m_window));
    }

    ScriptedDialogs m_dialogs;
    CQuillonDlg m_window;
};

}  // namespace quillon::testing
