#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/control_factory.h"
#include "settings/editor_control.h"
#include "settings/system_metrics.h"

namespace quillon {

// An editor control held in memory, for the command line and the tests.
class MemoryControl final : public EditorControl {
public:
    MemoryControl(const ControlOptions& options, int32_t id);

    std::string GetText() const override;
    void SetText(std::string_view text) override;
    int GetSelection() const override { return m_selection; }
    void SetSelection(int index) override;
    int GetCheck() const override { return m_checked ? 1 : 0; }
    void SetCheck(int state) override;
    AddressFields GetFields() const override { return m_fields; }
    void SetFields(const AddressFields& fields) override;
    bool IsEnabled() const override { return m_enabled; }
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    void Move(Point to) override { m_position = to; }
    void SetVisible(bool visible) override { m_visible = visible; }
    bool IsVisible() const override { return m_visible; }

    ControlKind Kind() const { return m_kind; }
    int32_t Id() const { return m_id; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Point Position() const { return m_position; }
    const std::vector<std::string>& Items() const { return m_items; }

private:
    ControlKind m_kind;
    int32_t m_id;
    int m_width;
    int m_height;
    std::string m_text;
    std::vector<std::string> m_items;
    int m_selection = -1;
    bool m_checked = false;
    AddressFields m_fields{kBlankField, kBlankField, kBlankField, kBlankField};
    bool m_enabled = true;
    bool m_visible = false;
    Point m_position;
};

// The headless owner window: makes MemoryControls, measures with HeadlessMetrics and answers
// open-file questions from a script of paths.
class MemoryControlFactory final : public ControlFactory {
public:
    std::unique_ptr<EditorControl> CreateControl(const ControlOptions& options,
                                                 int32_t id) override;
    const SystemMetrics& Metrics() const override { return m_metrics; }
    // The next scripted answer; none (cancel) once the script is used up.
    std::optional<std::string> AskOpenPath() override;

    // Queues an answer to the next open-file question; none stands for cancel.
    void QueueOpenPath(std::optional<std::string> path) { m_openPaths.push_back(std::move(path)); }
    int OpenQuestions() const { return m_openQuestions; }

private:
    HeadlessMetrics m_metrics;
    std::deque<std::optional<std::string>> m_openPaths;
    int m_openQuestions = 0;
};

}  // namespace quillon
