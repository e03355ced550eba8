// The user's dialogs answered from a script, recording what was asked and shown.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/cp1251.h"
#include "settings/user_dialogs.h"

namespace quillon::testing {

class ScriptedDialogs final : public UserDialogs {
public:
    // Queues the answer to the next file question; none stands for cancel. Once the script is
    // used up, every question is cancelled.
    void Answer(std::optional<std::filesystem::path> path) { m_answers.push_back(std::move(path)); }

    void ShowMessage(std::string_view cp1251Message) override {
        m_messages.push_back(FromCp1251(cp1251Message));
    }
    std::optional<std::filesystem::path> AskSavePath(const FileQuestion& question) override {
        return Ask(question, "save");
    }
    std::optional<std::filesystem::path> AskOpenPath(const FileQuestion& question) override {
        return Ask(question, "open");
    }

    // The messages shown, as UTF-8.
    const std::vector<std::string>& Messages() const { return m_messages; }
    // "save" or "open" for every question, in order.
    const std::vector<std::string>& Questions() const { return m_questions; }
    const std::filesystem::path& LastInitialPath() const { return m_lastInitialPath; }
    std::vector<std::string> LastFilters() const { return m_lastFilters; }

private:
    std::optional<std::filesystem::path> Ask(const FileQuestion& question, const char* kind) {
        m_questions.emplace_back(kind);
        m_lastInitialPath = question.initialPath;
        m_lastFilters.clear();
        for (const FileFilter& filter : question.filters) {
            m_lastFilters.push_back(std::string(filter.label) + "|" + std::string(filter.pattern));
        }
        if (m_answers.empty()) {
            return std::nullopt;
        }
        auto answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::filesystem::path>> m_answers;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;
    std::filesystem::path m_lastInitialPath;
    std::vector<std::string> m_lastFilters;
};

}  // namespace quillon::testing
