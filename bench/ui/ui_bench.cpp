// The main window under load, on the offscreen platform:
//   1. 5000 files requested at once: the time until every row exists;
//   2. five uploads reporting 10000 times each (50000 reports, as after every 128 KiB):
//      the time until the list shows the last one.
// For each, the longest stall of the event loop (the largest gap between ticks of a 1 ms
// timer), and a reference run in the same process: the same files made into tasks by
// intake alone, without a window (the disk work every request needs), and 50000 bare
// window messages posted from five threads and run. The first start of the main window is
// measured apart, and, for comparison, 5000 plain child widgets made and placed (one
// widget per row).
//
//   bench_ui [tasks, default 5000] [reports per upload, default 10000]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "intake/exports.h"
#include "intake/intake_state.h"
#include "intake/library.h"
#include "intake/queue.h"
#include "intake/task_map.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "ui/qt_intake_ui.h"
#include "ui/qt_message_loop.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUploads = 5;
constexpr double kTargetSeconds = 2.0;
constexpr double kTargetStallMs = 100.0;

// The largest gap between ticks of a 1 ms timer while it runs.
class StallMeter {
public:
    StallMeter() {
        m_Timer.setTimerType(Qt::PreciseTimer);
        m_Timer.setInterval(1);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] {
            const qint64 now = m_Clock.nsecsElapsed();
            m_Worst = std::max(m_Worst, now - m_Last);
            m_Last = now;
        });
    }
    void Start() {
        m_Worst = 0;
        m_Last = 0;  // the first tick's gap counts from here
        m_Clock.start();
        m_Timer.start();
    }
    double StopMs() {
        m_Timer.stop();
        return static_cast<double>(m_Worst) / 1e6;
    }

private:
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    qint64 m_Last = 0;
    qint64 m_Worst = 0;
};

// Runs events until the condition holds.
template <typename Condition>
void RunUntil(Condition condition) {
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Runs events a while longer, so that the stall meter ticks after the work.
void Settle() {
    QElapsedTimer clock;
    clock.start();
    RunUntil([&] { return clock.elapsed() >= 50; });
}

// A private folder for settings, logs and files; the user's own are never touched.
std::string PrivateFolder() {
    std::random_device random;
    const fs::path folder =
        fs::temp_directory_path() / ("norvel-bench-ui-" + std::to_string(random()));
    fs::create_directories(folder / "Flinga");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"})
        setenv(name, folder.c_str(), 1);
    setenv("NORVEL_REGISTRY", (folder / "registry.reg").c_str(), 1);
    return folder.string();
}

void PrepareSettings(const std::string& folder) {
    settings::ResetCaches();
    settings::SetHostProgramPath(platform::Utf8ToWide(NORVEL_BENCH_FLINGA_DIR "/Norvel_Flinga"));
    platform::RegistryKey::Create(settings::kNorvelKey)
        ->WriteString(settings::kInstallPath, platform::Utf8ToWide(folder));
    settings::SetMaxFileSize(u"100000000000");
    intake::Session().SetLoggedIn(true);
}

intake::RequestBatch MakeFiles(const std::string& folder, int count) {
    const fs::path in = fs::path(folder) / "in";
    fs::create_directories(in);
    intake::RequestBatch batch;
    for (int i = 0; i < count; ++i) {
        const std::string name = "file-" + std::to_string(i) + ".bin";
        const fs::path path = in / name;
        {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            std::fputc('x', file);
            std::fclose(file);
        }
        fs::resize_file(path, 4ull << 30);  // sparse: room for every report's bytes
        intake::UploadRequestEntry entry;
        if (intake::MakeEntry(intake::kUploadRequest, platform::Utf8ToWide(in.string()),
                              platform::Utf8ToWide(name), entry))
            batch.push_back(entry);
    }
    return batch;
}

struct Result {
    double seconds = 0;
    double stallMs = 0;
};

Result AddAtOnce(ui::CQtIntakeUi& ui, const intake::RequestBatch& batch) {
    StallMeter meter;
    meter.Start();
    QElapsedTimer clock;
    clock.start();
    // As the launcher does: the request arrives as an event of the loop.
    QTimer::singleShot(0, [&batch] { SetUpLoadTask(&batch, 1); });
    RunUntil([&] {
        return ui.MainDialog() &&
               ui.MainDialog()->TaskContainer().Count() == static_cast<int>(batch.size());
    });
    Result result{static_cast<double>(clock.nsecsElapsed()) / 1e9, 0};
    Settle();
    result.stallMs = meter.StopMs();
    return result;
}

// Five threads, each reporting its upload `reports` times with growing bytes.
template <typename Report>
void FiveReporters(int reports, Report report) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kUploads; ++t)
        threads.emplace_back([t, reports, &report] {
            for (int i = 1; i <= reports; ++i)
                report(t, i);
        });
    for (auto& thread : threads)
        thread.join();
}

Result ReportBurst(ui::CQtIntakeUi& ui, int reports) {
    const platform::WindowHandle main = intake::MainWindow();
    std::vector<intake::UploadContext*> tasks;
    {
        std::lock_guard lock(intake::TaskLock());
        for (int t = 0; t < kUploads; ++t) {
            intake::UploadContext* task = intake::FindTaskLocked(intake::kFirstTaskId + t);
            task->m_State = intake::kTaskUploading;
            tasks.push_back(task);
        }
    }
    constexpr uint64_t kChunk = 131072;
    const uint64_t last =
        std::min<uint64_t>(kChunk * static_cast<uint64_t>(reports), tasks[0]->m_FileSize);
    StallMeter meter;
    meter.Start();
    QElapsedTimer clock;
    clock.start();
    std::thread burst([&] {
        FiveReporters(reports, [&](int t, int i) {
            tasks[static_cast<size_t>(t)]->m_DoneSize = kChunk * static_cast<uint64_t>(i);
            intake::NotifyTask(intake::kFirstTaskId + t, main);
        });
    });
    auto& rows = ui.MainDialog()->TaskContainer();
    RunUntil([&] {
        for (int t = 0; t < kUploads; ++t)
            if (rows.Row(intake::kFirstTaskId + t)->DoneSize() != last)
                return false;
        return true;
    });
    Result result{static_cast<double>(clock.nsecsElapsed()) / 1e9, 0};
    burst.join();
    Settle();
    result.stallMs = meter.StopMs();
    return result;
}

// Reference: intake alone makes the tasks, on this thread, with no window to tell.
double IntakeAlone(const intake::RequestBatch& batch) {
    QElapsedTimer clock;
    clock.start();
    for (const intake::UploadRequestEntry& entry : batch)
        intake::AddUploadRequest(std::u16string(intake::EntryDir(entry)),
                                 std::u16string(intake::EntryName(entry)));
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    intake::StopAllTasks();
    intake::ResetTaskIdCounter();
    return seconds;
}

// For comparison: one plain child widget per row, made and placed.
double WidgetsPerRow(int count) {
    QWidget parent;
    parent.resize(249, 312);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        auto* row = new QWidget(&parent);
        row->setGeometry(0, i * 52 - 4, 248, 56);
        row->show();
    }
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Reference: bare window messages from five threads, run by the same loop.
double BareMessages(int reports) {
    std::atomic<int> ran{0};
    const platform::WindowHandle window = platform::RegisterWindow(
        ui::QtLoop(), [&](uint32_t, platform::WParam, platform::LParam) { return ++ran; });
    QElapsedTimer clock;
    clock.start();
    std::thread burst([&] {
        FiveReporters(reports, [&](int, int) { platform::PostMessage(window, platform::WM_USER); });
    });
    RunUntil([&] { return ran.load() == kUploads * reports; });
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    burst.join();
    platform::DestroyWindow(window);
    return seconds;
}

void Print(const char* what, const Result& result, double reference, const char* referenceName) {
    std::printf(
        "%-34s %8.3f s  longest stall %7.1f ms  (%s %.3f s, ratio %.2f)  %s\n", what,
        result.seconds, result.stallMs, referenceName, reference, result.seconds / reference,
        result.seconds < kTargetSeconds && result.stallMs < kTargetStallMs ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    const int tasks = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int reports = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::string folder = PrivateFolder();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    intake::CUploaderLibrary library;
    PrepareSettings(folder);
    intake::StartQueue(0);  // no uploads run: the reports come from the bench
    int status = 0;
    {
        ui::CQtUiOptions options;
        options.closeHost = [] {};
        options.showMessage = [](std::u16string_view, std::u16string_view) {};
        ui::CQtIntakeUi ui(options);
        intake::SetIntakeUi(&ui);
        const intake::RequestBatch batch = MakeFiles(folder, tasks);
        const double intakeAlone = IntakeAlone(batch);

        std::printf("target: under %.1f s, no stall above %.0f ms\n", kTargetSeconds,
                    kTargetStallMs);
        // The launcher's start: the main window exists (shown once) before requests come.
        StallMeter meter;
        meter.Start();
        QElapsedTimer clock;
        clock.start();
        SetUpLoadTask(nullptr, platform::kNoWindow);
        ui.ShowMainWindow();
        const double started = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        Settle();
        std::printf("%-34s %8.3f s  longest stall %7.1f ms\n", "main window started and shown",
                    started, meter.StopMs());

        const Result added = AddAtOnce(ui, batch);
        Print(("rows for " + std::to_string(tasks) + " tasks").c_str(), added, intakeAlone,
              "intake alone");
        const Result burst = ReportBurst(ui, reports);
        Print((std::to_string(kUploads * reports) + " progress reports").c_str(), burst,
              BareMessages(reports), "bare messages");
        std::printf("%-34s %8.3f s\n",
                    ("(one plain widget per row: " + std::to_string(tasks) + ")").c_str(),
                    WidgetsPerRow(tasks));
        status = added.seconds < kTargetSeconds && added.stallMs < kTargetStallMs &&
                         burst.seconds < kTargetSeconds && burst.stallMs < kTargetStallMs
                     ? 0
                     : 1;
        intake::StopQueue();
        intake::SetIntakeUi(nullptr);
    }
    fs::remove_all(folder);
    return status;
}
