#pragma once
// From a captured image to text in the window: one run per capture, on a worker thread.
// A run that was stopped (a newer interactive capture) writes nothing more.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "app/app_state.h"
#include "app/results_table.h"
#include "app/status_line.h"
#include "capture/image_handoff.h"
#include "capture/ocr_client.h"
#include "capture/worker_threads.h"
#include "platform/clipboard.h"
#include "platform/form.h"

class JsonDocument;
class OfflineRecognizer;

// What one run works on, copied when its worker starts.
struct RecognitionJob {
    int kind = 0;
    std::shared_ptr<const Bytes> image;
    // Or, when it has pixels, a rectangle of the frozen snapshot that is not cut out yet.
    SnapshotArea area;
    ServiceSnapshot service;
    // The request's language field, when it was read as the worker started.
    std::optional<Text> languageCode;
    // The image as the request sends it, when the starting thread encodes it.
    std::shared_ptr<ImageHandoff> jpeg;
    std::shared_ptr<std::atomic<bool>> stopped = std::make_shared<std::atomic<bool>>(false);
};

class RecognitionWorkflow {
public:
    // Puts recognized text into other applications' controls.
    using Deliver = std::function<void(const Text&)>;

    RecognitionWorkflow(AppState& state, platform::Form& form, platform::Clipboard& clipboard,
                        OcrClient& ocr, Deliver deliver);

    // Carries a group of control updates out on the user-interface thread as one unit and
    // waits for it; by default it runs the group at once.
    using UiRunner = std::function<void(const std::function<void()>&)>;
    void setUiRunner(UiRunner runner) { m_runOnUi = std::move(runner); }

    // The body of a worker thread; always 0. The job's pixels are let go once encoded.
    int run(RecognitionJob job);

    // Starts a worker for the kind on the current capture (capturedArea while it has pixels,
    // otherwise capturedImage) and remembers it as the last one. A cloud kind's JPEG is made
    // here first, on the caller's thread, where the pixels are still in the cache.
    void start(int kind);
    // Stops the worker started last, if it still runs; never waits for it.
    void stopLast();
    // Runs on the worker once its run has ended, whatever the outcome: where the process
    // gives the memory the run freed back to the system.
    void setAfterRun(std::function<void()> afterRun) { m_afterRun = std::move(afterRun); }
    // The engine of the offline kind (5); without one that kind reports a failure.
    void setOfflineRecognizer(OfflineRecognizer* offline) { m_offline = offline; }

private:
    bool stopped(const RecognitionJob& job) const { return job.stopped->load(); }
    static Bytes encode(const RecognitionJob& job);
    int runOffline(RecognitionJob& job);
    void textBranch(const RecognitionJob& job, const JsonDocument& json);
    void showText(const RecognitionJob& job, const Text& text);
    void cardBranch(const RecognitionJob& job, const JsonDocument& json);
    void reportFailure(const RecognitionJob& job, const JsonDocument& json);

    AppState& m_state;
    platform::Form& m_form;
    platform::Clipboard& m_clipboard;
    OcrClient& m_ocr;
    Deliver m_deliver;
    OfflineRecognizer* m_offline = nullptr;
    StatusLine m_status;
    ResultsTable m_table;
    std::mutex m_lastMutex;
    std::shared_ptr<std::atomic<bool>> m_last;
    std::function<void()> m_afterRun;
    UiRunner m_runOnUi = [](const std::function<void()>& group) { group(); };
    // Last: ends its idle thread before the members its tasks use are gone.
    WorkerThreads m_workers;
};
