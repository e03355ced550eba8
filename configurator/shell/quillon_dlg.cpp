#include "shell/quillon_dlg.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <exception>

#include "image/save_setup.h"
#include "settings/catalogue.h"
#include "settings/cp1251.h"
#include "settings/ini_file.h"
#include "settings/setup_failure.h"
#include "shell/control_placer.h"
#include "shell/entry_tree_model.h"
#include "shell/qt_control_factory.h"
#include "shell/qt_controls.h"
#include "shell/qt_dialogs.h"
#include "shell/settings_tree_view.h"

namespace quillon {
namespace {

// The layout of the original dialog (390 x 266 dialog units of an 8-point font, the tree at
// (7, 7) sized 160 x 252) in pixels of a 96-dpi desktop.
constexpr int kClientWidth = 585;
constexpr int kClientHeight = 432;
constexpr int kTreeLeft = 10;
constexpr int kTreeTop = 11;
constexpr int kTreeWidth = 240;
constexpr int kBottomMargin = 12;
constexpr int kRightMargin = 10;
// The controls start this far right of the tree's right edge.
constexpr int kColumnGap = 8;
// Room for the item's text margins and focus frame beyond the caption itself.
constexpr int kCaptionMargin = 12;

bool IsSwallowedKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape;
}

}  // namespace

// The dialog's client area: lays out the tree whenever its size changes.
class CQuillonDlg::ClientPane final : public QWidget {
public:
    explicit ClientPane(CQuillonDlg& owner) : QWidget(&owner), m_owner(&owner) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_owner->LayOut();
    }

private:
    CQuillonDlg* m_owner;
};

CQuillonDlg::CQuillonDlg(UserDialogs* dialogs) {
    if (dialogs == nullptr) {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        dialogs = m_ownDialogs.get();
    }
    m_dialogs = dialogs;

    setWindowTitle(QString::fromUtf8(kApplicationName.data(),
                                     static_cast<qsizetype>(kApplicationName.size())));
    setWindowIcon(QIcon(QStringLiteral(":/quillon/quillon.png")));
    BuildMenu();

    // The tree comes first among the client area's children, so it heads the Tab order and
    // the controls follow it in tree order.
    m_clientArea = new ClientPane(*this);
    setCentralWidget(m_clientArea);
    m_tree = new SettingsTreeView(m_clientArea);

    m_factory = std::make_unique<QtControlFactory>(
        *m_clientArea, *m_tree, *m_dialogs,
        [this](uint32_t first, intptr_t second) { OnCommand(first, second); });
    m_root = BuildCatalogue(*m_factory, m_listeners);

    const int itemHeight = m_factory->Metrics().RowHeight() + 1;
    m_model = std::make_unique<EntryTreeModel>(*m_root, itemHeight);
    m_tree->setModel(m_model.get());
    const int captionWidth =
        m_model->ContentWidth(m_tree->fontMetrics(), m_tree->indentation()) + kCaptionMargin;
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->setMinimumSectionSize(captionWidth);

    m_placer = std::make_unique<ControlPlacer>(*m_tree, *m_model, kColumnGap);
    m_tree->SetRowsChangedHandler([this] { m_placer->PlaceVisibleRows(); });
    m_root->RegisterKeys(m_keys);

    m_columnWidth =
        std::max(kClientWidth - (kTreeLeft + kTreeWidth + kColumnGap), WidestControlRow()) +
        kRightMargin;
    const QSize client(kTreeLeft + kTreeWidth + kColumnGap + m_columnWidth, kClientHeight);
    m_clientArea->setMinimumSize(client);
    m_clientArea->resize(client);
    LayOut();

    qApp->installEventFilter(this);
    m_tree->setFocus(Qt::OtherFocusReason);
}

CQuillonDlg::~CQuillonDlg() {
    qApp->removeEventFilter(this);
    // The placement hook must not run while the tree goes; the controls go with their
    // entries, before the client area deletes what remains of its children.
    m_tree->SetRowsChangedHandler({});
    m_tree->setModel(nullptr);
    m_root.reset();
}

void CQuillonDlg::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    m_saveSetup = file->addAction(QStringLiteral("Save Setup"));
    m_loadSetup = file->addAction(QStringLiteral("Load Setup"));
    m_loadSetup->setEnabled(false);
    file->addSeparator();
    m_loadIni = file->addAction(QStringLiteral("Load Ini-file"));
    m_saveIni = file->addAction(QStringLiteral("Save Ini-file"));
    connect(m_saveSetup, &QAction::triggered, this, [this] { OnCommand(kSaveSetupCommand, 0); });
    connect(m_loadSetup, &QAction::triggered, this, [this] { OnCommand(kLoadSetupCommand, 0); });
    connect(m_loadIni, &QAction::triggered, this, [this] { OnCommand(kLoadIniCommand, 0); });
    connect(m_saveIni, &QAction::triggered, this, [this] { OnCommand(kSaveIniCommand, 0); });
}

void CQuillonDlg::SetLoadSetupCommand(SettingsCommand command) {
    m_loadSetupCommand = std::move(command);
    m_loadSetup->setEnabled(static_cast<bool>(m_loadSetupCommand));
}

QAction& CQuillonDlg::CommandAction(uint32_t command) const {
    switch (command) {
        case kLoadSetupCommand:
            return *m_loadSetup;
        case kLoadIniCommand:
            return *m_loadIni;
        case kSaveIniCommand:
            return *m_saveIni;
        default:
            return *m_saveSetup;
    }
}

// The tree takes whatever the editor column leaves of the width, and the whole height.
void CQuillonDlg::LayOut() {
    if (m_tree == nullptr) {
        return;
    }
    const QSize client = m_clientArea->size();
    const int width = std::max(kTreeWidth, client.width() - kTreeLeft - kColumnGap - m_columnWidth);
    const int height = std::max(0, client.height() - kTreeTop - kBottomMargin);
    m_tree->setGeometry(kTreeLeft, kTreeTop, width, height);
}

// The widest extent of one row's controls, which stand side by side.
int CQuillonDlg::WidestControlRow() const {
    int widest = 0;
    std::vector<const CSetupEntry*> pending{m_root.get()};
    while (!pending.empty()) {
        const CSetupEntry* entry = pending.back();
        pending.pop_back();
        int row = 0;
        for (size_t i = 0; i < entry->GetControlCount(); ++i) {
            row += static_cast<const QtControl&>(entry->GetControl(i)).Width();
        }
        widest = std::max(widest, row);
        for (const CSetupEntry& child : entry->GetChildren()) {
            pending.push_back(&child);
        }
    }
    return widest;
}

void CQuillonDlg::OnCommand(uint32_t first, intptr_t second) {
    // The commands show their own setup failures; whatever else escapes (a file system
    // error, memory) is shown too, so that the window and its unsaved settings stay.
    try {
        for (CSetupEntry* listener : m_listeners) {
            listener->OnCommand(first, second);
        }
        switch (first) {
            case kSaveSetupCommand:
                RunSaveSetupCommand(m_keys, *m_dialogs);
                break;
            case kLoadSetupCommand:
                if (m_loadSetupCommand) {
                    m_loadSetupCommand(m_keys, *m_dialogs);
                }
                break;
            case kLoadIniCommand:
                RunLoadIniCommand(m_keys, *m_dialogs);
                break;
            case kSaveIniCommand:
                RunSaveIniCommand(m_keys, *m_dialogs);
                break;
            default:
                break;
        }
    } catch (const SetupFailure& failure) {
        m_dialogs->ShowMessage(failure.Message());
    } catch (const std::exception& failure) {
        m_dialogs->ShowMessage(ToCp1251(failure.what()));
    }
}

// A wheel over an editor control that does not have the focus, or over the empty part of the
// editor column, scrolls the tree: a user scrolling the long tree with the pointer drifting
// right must never change a setting unnoticed. A focused control keeps its own wheel.
bool CQuillonDlg::ScrollsTreeInstead(const QWidget& target) const {
    if (&target != m_clientArea && !m_clientArea->isAncestorOf(&target)) {
        return false;
    }
    if (&target == m_tree || m_tree->isAncestorOf(&target)) {
        return false;
    }
    const QWidget* control = &target;
    while (control != m_clientArea && control->parentWidget() != m_clientArea) {
        control = control->parentWidget();
    }
    const QWidget* focus = QApplication::focusWidget();
    const bool focused = control != m_clientArea && focus != nullptr &&
                         (focus == control || control->isAncestorOf(focus));
    return !focused;
}

bool CQuillonDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched->isWidgetType() &&
        ScrollsTreeInstead(*static_cast<QWidget*>(watched))) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        QWidget* viewport = m_tree->viewport();
        const QPointF at = viewport->mapFromGlobal(wheel->globalPosition());
        QWheelEvent forwarded(at, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                              wheel->buttons(), wheel->modifiers(), wheel->phase(),
                              wheel->inverted(), wheel->source());
        QCoreApplication::sendEvent(viewport, &forwarded);
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this &&
        IsSwallowedKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace quillon
