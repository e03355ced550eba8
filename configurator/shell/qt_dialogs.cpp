#include "shell/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "shell/qt_text.h"

namespace quillon {
namespace {

QString ToQString(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// File names are the file system's bytes (UTF-8), not Windows-1251. Qt takes a filter's
// patterns from the last parentheses of its text, and with HideNameFilterDetails shows what
// stands before them: the label is shown as it is, and its own pattern applies. "*.*" is the
// Windows way to say every file; on Linux it would hide the names without a dot.
QString FilterText(const FileFilter& filter) {
    const std::string_view pattern = filter.pattern == "*.*" ? "*" : filter.pattern;
    return QString::fromUtf8(filter.label.data(), static_cast<qsizetype>(filter.label.size())) +
           QStringLiteral(" (") +
           QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size())) +
           QStringLiteral(")");
}

std::optional<std::filesystem::path> AskPath(QWidget* parent, const FileQuestion& question,
                                             QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    QStringList filters;
    for (const FileFilter& filter : question.filters) {
        filters.append(FilterText(filter));
    }
    if (!filters.isEmpty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
    }
    if (!question.initialPath.empty()) {
        const std::filesystem::path folder = question.initialPath.parent_path();
        if (!folder.empty()) {
            dialog.setDirectory(ToQString(folder));
        }
        dialog.selectFile(ToQString(question.initialPath.filename()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
}

}  // namespace

void QtDialogs::ShowMessage(std::string_view cp1251Message) {
    QMessageBox box(
        QMessageBox::NoIcon,
        QString::fromUtf8(kApplicationName.data(), static_cast<qsizetype>(kApplicationName.size())),
        quillon::ToQString(cp1251Message), QMessageBox::Ok, m_parent);
    box.exec();
}

std::optional<std::filesystem::path> QtDialogs::AskSavePath(const FileQuestion& question) {
    return AskPath(m_parent, question, QFileDialog::AcceptSave);
}

std::optional<std::filesystem::path> QtDialogs::AskOpenPath(const FileQuestion& question) {
    return AskPath(m_parent, question, QFileDialog::AcceptOpen);
}

}  // namespace quillon
