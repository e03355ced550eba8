// The Qt window on the offscreen platform: start-up to the first painted frame with all 6,078
// editor controls, one placement pass that moves nothing, and one frame of scrolling a page
// with every branch open (3,807 rows). Peak memory is the process's high-water mark.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>

#include "shell/control_placer.h"
#include "shell/quillon_dlg.h"
#include "shell/settings_tree_view.h"

namespace {

// Counts the paints of one widget.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int Paints() const { return m_paints; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++m_paints;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    int m_paints = 0;
};

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

void ProcessUntilPainted(const PaintCounter& counter, int paintsBefore) {
    while (counter.Paints() == paintsBefore) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void FirstPaintedFrame(benchmark::State& state) {
    for (auto _ : state) {
        auto window = std::make_unique<quillon::CQuillonDlg>();
        PaintCounter paints(*window->Tree().viewport());
        window->show();
        ProcessUntilPainted(paints, 0);
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(FirstPaintedFrame)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

// The window shown with every branch open, scrolled to the middle of the tree.
class ExpandedWindow {
public:
    ExpandedWindow() : m_paints(*m_window.Tree().viewport()) {
        m_window.show();
        if (!QTest::qWaitForWindowExposed(&m_window)) {
            qFatal("the window was never exposed");
        }
        m_window.Tree().expandAll();
        QScrollBar& scroll = *m_window.Tree().verticalScrollBar();
        scroll.setValue(scroll.maximum() / 2);
        QApplication::processEvents();
    }
    quillon::CQuillonDlg& Window() { return m_window; }
    const PaintCounter& Paints() const { return m_paints; }

private:
    quillon::CQuillonDlg m_window;
    PaintCounter m_paints;
};

void PlacementPassNothingMoved(benchmark::State& state) {
    ExpandedWindow expanded;
    quillon::ControlPlacer& placer = expanded.Window().Placer();
    for (auto _ : state) {
        placer.PlaceVisibleRows();
    }
    state.counters["rows_in_view"] = placer.PlacedRowCount();
}
BENCHMARK(PlacementPassNothingMoved)->Unit(benchmark::kMicrosecond);

// Scrolling by a page, placing the controls and painting the frame.
void OnePageScrollFrame(benchmark::State& state) {
    ExpandedWindow expanded;
    QScrollBar& scroll = *expanded.Window().Tree().verticalScrollBar();
    for (auto _ : state) {
        const int paints = expanded.Paints().Paints();
        const int next = scroll.value() + scroll.pageStep();
        scroll.setValue(next > scroll.maximum() ? 0 : next);
        ProcessUntilPainted(expanded.Paints(), paints);
    }
    state.counters["rows"] = scroll.maximum() + scroll.pageStep();
    state.counters["page_rows"] = scroll.pageStep();
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(OnePageScrollFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
