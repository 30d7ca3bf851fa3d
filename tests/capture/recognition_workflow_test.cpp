#include "capture/recognition_workflow.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>

#include <condition_variable>
#include <thread>
#include <utility>

#include <unistd.h>

#include "app/control_names.h"
#include "capture/bmp_image.h"
#include "capture/image_encoder.h"
#include "capture/image_handoff.h"
#include "capture/offline_recognizer.h"
#include "net/base64.h"
#include "support/fake_form.h"
#include "support/fake_text_engine.h"
#include "support/scripted_transport.h"
#include "support/temp_dir.h"

namespace {

// A small 32-bit bottom-up BMP, as a screen capture makes it.
Bytes smallBmp(int w, int h) {
    const int stride = w * 4;
    Bytes b(54 + stride * h, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 32;
    for (int i = 54; i < static_cast<int>(b.size()); ++i) b[i] = static_cast<char>(i * 7);
    return b;
}

// A form that lets something happen at the n-th cell write, as another worker's writes
// land in the middle of a run's own when both go through the user-interface thread.
class InterruptibleForm : public FakeForm {
public:
    void atCell(int n, std::function<void()> what) {
        m_countdown = n;
        m_what = std::move(what);
    }
    void setCell(const std::string& grid, int row, int column, const std::string& text) override {
        FakeForm::setCell(grid, row, column, text);
        if (m_what && --m_countdown == 0) std::exchange(m_what, nullptr)();
    }

    int selectedIndex(const std::string& control) override {
        if (control == ctl::组合框文字 && std::this_thread::get_id() != m_main) ++m_offThreadReads;
        return FakeForm::selectedIndex(control);
    }
    // Reads of the language list from a thread other than the one that made the form.
    int offThreadLanguageReads() const { return m_offThreadReads; }

private:
    int m_countdown = 0;
    std::function<void()> m_what;
    std::thread::id m_main = std::this_thread::get_id();
    std::atomic<int> m_offThreadReads{0};
};

// The user-interface thread as a test plays it: the test's own thread. A worker's group of
// control updates waits until the test runs it, as the Qt gate makes a worker wait its turn.
class UiThread {
public:
    ~UiThread() {
        if (m_worker.joinable()) finishWorker();
    }
    RecognitionWorkflow::UiRunner runner() {
        return [this](const std::function<void()>& group) { run(group); };
    }
    // Starts the work on a worker; returns when it waits for its turn or has ended.
    void startWorker(std::function<void()> work) {
        m_ended = false;
        m_worker = std::thread([this, work = std::move(work)] {
            work();
            std::lock_guard lock(m_mutex);
            m_ended = true;
            m_wake.notify_all();
        });
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_waiting || m_ended; });
    }
    // Runs the waiting group, if any, and lets the worker end.
    void finishWorker() {
        {
            std::lock_guard lock(m_mutex);
            if (m_waiting) (*std::exchange(m_waiting, nullptr))();
            m_wake.notify_all();
        }
        m_worker.join();
    }

private:
    void run(const std::function<void()>& group) {
        if (std::this_thread::get_id() == m_main) return group();
        std::unique_lock lock(m_mutex);
        m_waiting = &group;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_waiting == nullptr; });
    }

    std::thread::id m_main = std::this_thread::get_id();
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::function<void()>* m_waiting = nullptr;
    bool m_ended = false;
    std::thread m_worker;
};

// A card reply of n fields named prefix1 … prefixN, each holding its own name.
std::string cardReply(const std::string& prefix, int n) {
    std::string fields;
    for (int i = 1; i <= n; ++i) {
        const std::string name = prefix + std::to_string(i);
        fields += (i > 1 ? "," : "") + ("\"" + name + "\":{\"words\":\"" + name + "\"}");
    }
    return R"({"words_result":{)" + fields + "}}";
}

class RecognitionWorkflowTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    InterruptibleForm form;
    FakeClipboard clipboard;
    ScriptedTransport transport;
    HttpClient http{transport};
    OcrClient ocr{state, form, http};
    std::vector<std::string> delivered;
    std::string sourceWhenDelivered;
    RecognitionWorkflow workflow{state, form, clipboard, ocr, [this](const Text& t) {
                                     delivered.push_back(t);
                                     sourceWhenDelivered = form.text(ctl::编辑框_源);
                                 }};

    void SetUp() override {
        std::array<Text, 12> e{};
        e[0] = "http://srv/accurate";
        e[5] = "http://srv/vehicle";
        e[7] = "http://srv/idcard";
        state.setService("T", &e);
        form.setSelectedIndex(ctl::组合框文字, 0);
        form.setText(ctl::编辑框_源, "before");
        clipboard.value = "clip";
        ResultsTable(form).resetLayout();
    }
    RecognitionJob job(int kind, Bytes image = smallBmp(8, 4)) {
        RecognitionJob j;
        j.kind = kind;
        j.image = std::make_shared<const Bytes>(std::move(image));
        j.service = state.snapshotService();
        return j;
    }
    std::string status() { return form.statusText(ctl::状态条1, 1); }
    std::string cell(int r, int c) { return form.cell(ctl::高级表格1, r, c); }
};

TEST_F(RecognitionWorkflowTest, TextLinesJoinedByLineBreaksOrMerged) {
    transport.reply("srv/accurate",
                    R"({"words_result":[{"words":"ab"},{"words":"cd"}],"words_result_num":2})");
    struct Case {
        bool merge, toClipboard;
        const char* text;
        const char* clip;
    };
    for (const Case& c :
         {Case{false, true, "ab\r\ncd\r\n", "ab\r\ncd\r\n"}, Case{true, false, "abcd", "clip"}}) {
        form.setChecked(ctl::选择框文本合并, c.merge);
        form.setChecked(ctl::选择框同步剪切板, c.toClipboard);
        clipboard.value = "clip";
        delivered.clear();
        workflow.run(job(1));
        EXPECT_EQ(form.text(ctl::编辑框_源), c.text);
        EXPECT_EQ(clipboard.value, c.clip);
        EXPECT_EQ(delivered, std::vector<std::string>{c.text});
        EXPECT_EQ(status(), "状态：识别完毕");
    }
    EXPECT_EQ(sourceWhenDelivered, "ab\r\ncd\r\n");  // the targets get it before the source box
    EXPECT_EQ(transport.last().path, "/accurate");
    EXPECT_TRUE(transport.last().body.find("image=%2F9j%2F") != std::string::npos)
        << "a JPEG travels: its base64 starts with /9j/";
}

TEST_F(RecognitionWorkflowTest, EmptyResultIsAFinishedRecognitionOfNothing) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    form.setChecked(ctl::选择框同步剪切板, true);
    workflow.run(job(1));
    EXPECT_EQ(form.text(ctl::编辑框_源), "");
    EXPECT_EQ(delivered, std::vector<std::string>{""});
    EXPECT_EQ(clipboard.value, "");
    EXPECT_EQ(status(), "状态：识别完毕");
}

TEST_F(RecognitionWorkflowTest, FailuresChangeNothingButTheStatus) {
    struct Case {
        const char* name;
        bool answer;
        const char* body;
        const char* status;
    };
    for (const Case& c :
         {Case{"no answer", false, "", "状态：识别失败"},
          Case{"error reply", true, R"({"error_code":110,"error_msg":"Access token invalid"})",
               "状态：识别失败：Access token invalid"},
          Case{"not json", true, "<html>", "状态：识别失败"}}) {
        for (int kind : {1, 8}) {
            if (c.answer)
                transport.reply(kind == 1 ? "srv/accurate" : "srv/idcard", c.body);
            else
                transport.refuse(kind == 1 ? "srv/accurate" : "srv/idcard");
            form.setChecked(ctl::选择框同步剪切板, true);
            form.setCell(ctl::高级表格1, 1, 1, "kept");
            workflow.run(job(kind));
            EXPECT_EQ(status(), c.status) << c.name;
            EXPECT_EQ(form.text(ctl::编辑框_源), "before") << c.name;
            EXPECT_EQ(clipboard.value, "clip") << c.name;
            EXPECT_TRUE(delivered.empty()) << c.name;
            EXPECT_EQ(cell(1, 1), "kept") << c.name;
        }
    }
}

TEST_F(RecognitionWorkflowTest, EmptyCapture) {
    for (Bytes image : {Bytes(), Bytes("BM"), Bytes(100, '\0'), smallBmp(0, 0)}) {
        form.setStatusText(ctl::状态条1, 1, "");
        workflow.run(job(1, image));
        EXPECT_EQ(status(), "状态：截图为空");
        EXPECT_TRUE(transport.requests().empty());
    }
}

TEST_F(RecognitionWorkflowTest, CardFieldsFillTheTableInReplyOrder) {
    transport.reply("srv/idcard",
                    R"({"words_result":{"住址":{"words":"北京"},"公民身份号码":{"words":"1"},)"
                    R"("出生":{"words":"19900101"},"姓名":{"words":"张三"},"性别":{"words":"男"},)"
                    R"("民族":{"words":"汉"}},"words_result_num":6})");
    form.setChecked(ctl::选择框同步剪切板, true);
    workflow.run(job(8));
    ASSERT_EQ(form.rowCount(ctl::高级表格1), 7);
    ASSERT_EQ(form.columnCount(ctl::高级表格1), 3);
    EXPECT_EQ(cell(0, 0), "行号");
    EXPECT_EQ(cell(0, 1), "类型");
    EXPECT_EQ(cell(0, 2), "内容");
    const char* names[] = {"住址", "公民身份号码", "出生", "姓名", "性别", "民族"};
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(cell(i, 0), std::to_string(i));
        EXPECT_EQ(cell(i, 1), names[i - 1]);
    }
    EXPECT_EQ(cell(4, 2), "张三");
    EXPECT_EQ(form.columnWidth(ctl::高级表格1, 2), 200);
    EXPECT_EQ(form.fixedColumnCount(ctl::高级表格1), 2);
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(clipboard.value, "clip");
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(status(), "状态：识别完毕");
}

TEST_F(RecognitionWorkflowTest, CardWithoutFieldsLeavesTheHeaderRow) {
    transport.reply("srv/idcard", R"({"words_result":{},"words_result_num":0})");
    workflow.run(job(8));
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 1);
    EXPECT_EQ(cell(0, 2), "内容");
}

TEST_F(RecognitionWorkflowTest, StoppedRunWritesNothingMore) {
    transport.reply("srv/accurate", R"({"words_result":[{"words":"new"}]})");
    RecognitionJob j = job(1);
    // Stopped while the targets are being served: the window keeps what it had.
    RecognitionWorkflow stoppingWorkflow{state, form, clipboard, ocr,
                                         [&](const Text&) { j.stopped->store(true); }};
    form.setChecked(ctl::选择框同步剪切板, true);
    form.setStatusText(ctl::状态条1, 1, "");
    stoppingWorkflow.run(j);
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(clipboard.value, "clip");
    EXPECT_EQ(status(), "状态：截图识别中……");

    RecognitionJob early = job(1);
    early.stopped->store(true);
    form.setStatusText(ctl::状态条1, 1, "x");
    workflow.run(early);
    EXPECT_EQ(status(), "x");
}

TEST_F(RecognitionWorkflowTest, TwoCardRunsFinishingTogetherLeaveTheLaterTableWhole) {
    UiThread ui;
    workflow.setUiRunner(ui.runner());
    transport.reply("srv/idcard", cardReply("a", 300));
    transport.reply("srv/vehicle", cardReply("b", 3));
    // The second run finishes while the first is writing its table.
    form.atCell(5, [&] { ui.startWorker([&] { workflow.run(job(6)); }); });
    workflow.run(job(8));
    ui.finishWorker();
    ASSERT_EQ(form.rowCount(ctl::高级表格1), 4);
    const char* header[] = {"行号", "类型", "内容"};
    for (int c = 0; c < 3; ++c) EXPECT_EQ(cell(0, c), header[c]);
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(cell(r, 0), std::to_string(r));
        EXPECT_EQ(cell(r, 1), "b" + std::to_string(r));
        EXPECT_EQ(cell(r, 2), "b" + std::to_string(r));
    }
}

TEST_F(RecognitionWorkflowTest, CardRunStoppedBeforeItsTurnWritesNoTable) {
    UiThread ui;
    workflow.setUiRunner(ui.runner());
    transport.reply("srv/idcard", cardReply("a", 50));
    RecognitionJob j = job(8);
    ui.startWorker([&] { workflow.run(j); });
    j.stopped->store(true);  // a new interactive capture, while the table waits for its turn
    ui.finishWorker();
    EXPECT_EQ(form.rowCount(ctl::高级表格1), 2);
    EXPECT_EQ(form.columnCount(ctl::高级表格1), 2);
    EXPECT_EQ(cell(0, 0), "行号");
    EXPECT_EQ(status(), "状态：截图识别中……");
}

TEST_F(RecognitionWorkflowTest, EachRunKeepsTheServiceItStartedWith) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    RecognitionJob j = job(1);
    std::array<Text, 12> other{};
    other[0] = "http://elsewhere/accurate";
    state.setService("T2", &other);  // a token step after the worker started
    workflow.run(j);
    EXPECT_EQ(transport.last().host, "srv");
    EXPECT_EQ(transport.last().body.rfind("access_token=T&", 0), 0u);
}

TEST_F(RecognitionWorkflowTest, AStartedWorkerDoesNotWaitForTheWindowToReadTheLanguage) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    std::promise<void> ended;
    workflow.setAfterRun([&] { ended.set_value(); });
    state.capturedImage = std::make_shared<const Bytes>(smallBmp(8, 4));
    workflow.start(1);
    ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    ASSERT_EQ(transport.requests().size(), 1u);
    // Read as the worker started, on the user-interface thread (this one).
    EXPECT_EQ(form.offThreadLanguageReads(), 0);
    EXPECT_NE(transport.last().body.find("language_type="), std::string::npos);
}

// A dragged capture's run starts on the frozen snapshot before the rectangle is cut out:
// it recognizes exactly what the cut holds, in the cloud and offline, and lets go of the
// snapshot once it has read it.
TEST_F(RecognitionWorkflowTest, ARunOnTheSnapshotRecognizesWhatTheCutHolds) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    FakeTextEngine engine;
    OfflineRecognizer offline(engine);
    workflow.setOfflineRecognizer(&offline);
    auto snapshot = std::make_shared<platform::ScreenImage>();
    snapshot->width = 64;
    snapshot->height = 48;
    for (int i = 0; i < 64 * 48; ++i) snapshot->pixels.push_back(0xff000000u | i * 2654435761u);
    const Bytes cut = BmpImage::encode(*snapshot, 5, 7, 33, 20);
    workflow.run(job(1, cut));
    workflow.run(job(5, cut));
    ASSERT_EQ(transport.requests().size(), 1u);
    ASSERT_EQ(engine.images.size(), 1u);

    state.capturedImage = std::make_shared<const Bytes>(smallBmp(8, 4));  // the one before
    for (int kind : {1, 5}) {
        std::promise<void> ended;
        workflow.setAfterRun([&] { ended.set_value(); });
        state.capturedArea = {snapshot, 5, 7, 33, 20};
        workflow.start(kind);
        state.capturedArea = {};
        ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(snapshot.use_count(), 1) << kind;
    }
    ASSERT_EQ(transport.requests().size(), 2u);
    EXPECT_EQ(transport.requests()[1].body, transport.requests()[0].body);
    ASSERT_EQ(engine.images.size(), 2u);
    EXPECT_EQ(engine.images[1].width, engine.images[0].width);
    EXPECT_EQ(engine.images[1].height, engine.images[0].height);
    EXPECT_EQ(engine.images[1].pixels, engine.images[0].pixels);
}

// The JPEG a handoff gives for a capture, encoded by the worker alone.
Bytes jpegOf(const std::shared_ptr<const Bytes>& bmp) {
    codec::Image view;
    EXPECT_TRUE(ImageEncoder::PixelsOf(*bmp, view));
    ImageHandoff alone(bmp, std::move(view));
    Bytes jpeg;
    alone.take(jpeg);
    return jpeg;
}

// A cloud run's image is encoded by start, on the thread that holds the pixels, with the
// worker joining in; the run lets the capture go once it is encoded, and sends that image.
TEST_F(RecognitionWorkflowTest, StartAndTheWorkerEncodeTheCaptureTheRequestCarries) {
    transport.reply("srv/accurate", R"({"words_result":[]})");
    std::promise<void> ended;
    workflow.setAfterRun([&] { ended.set_value(); });
    state.capturedImage = std::make_shared<const Bytes>(smallBmp(1600, 1200));
    const std::weak_ptr<const Bytes> capture = state.capturedImage;
    const Bytes jpeg = jpegOf(state.capturedImage);
    workflow.start(1);
    state.capturedImage.reset();
    ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(capture.expired());
    ASSERT_EQ(transport.requests().size(), 1u);
    EXPECT_NE(transport.requests()[0].body.find(Base64::EncodeUrlEncoded(jpeg)), Text::npos);
}

// However the stripes fall between the two threads (the worker alone, the starting thread
// first, both at once), the file is the same, and the pixels go once it is made.
TEST(ImageHandoffTest, TheJpegIsTheSameWhoeverEncodesItsStripes) {
    const auto bmp = std::make_shared<const Bytes>(smallBmp(1280, 900));
    const Bytes expected = jpegOf(bmp);
    ASSERT_GT(expected.size(), 1000u);
    for (int helpers : {0, 1, 2}) {
        auto pixels = std::make_shared<const Bytes>(*bmp);
        codec::Image view;
        ASSERT_TRUE(ImageEncoder::PixelsOf(*pixels, view));
        const std::weak_ptr<const Bytes> held = pixels;
        ImageHandoff handoff(std::move(pixels), std::move(view));
        if (helpers == 1) handoff.help();
        std::thread starter([&] {
            if (helpers == 2) handoff.help();
        });
        Bytes jpeg = "previous";
        handoff.take(jpeg);
        starter.join();
        EXPECT_EQ(jpeg, expected) << helpers;
        EXPECT_TRUE(held.expired()) << helpers;
    }
    ImageHandoff empty(nullptr, codec::Image());
    Bytes jpeg = "previous";
    empty.take(jpeg);
    EXPECT_TRUE(jpeg.empty());
}

// Each run starts on a thread that waits for it, not on one made for it (which starts late
// on a busy machine), and never waits behind a run that is still busy.
TEST_F(RecognitionWorkflowTest, RunsStartOnAWaitingThreadAndNeverWaitForABusyOne) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<pid_t> threads;  // kernel thread ids, which are not handed out again soon
    bool release = false;
    workflow.setAfterRun([&] {
        std::unique_lock lock(mutex);
        threads.push_back(gettid());
        changed.notify_all();
        // The first run stays busy until the second has ended beside it.
        if (threads.size() == 1) changed.wait(lock, [&] { return release; });
    });
    auto runOne = [&] {
        const size_t before = threads.size();
        workflow.start(1);
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10),
                                [&] { return threads.size() > before; });
    };
    state.capturedImage = std::make_shared<const Bytes>();
    ASSERT_TRUE(runOne());
    ASSERT_TRUE(runOne());
    EXPECT_NE(threads[1], threads[0]);
    {
        std::lock_guard lock(mutex);
        release = true;
        changed.notify_all();
    }
    // Once a thread is back waiting, the next run takes it.
    bool reused = false;
    for (int i = 0; i < 100 && !reused; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(runOne());
        reused = std::count(threads.begin(), threads.end() - 1, threads.back()) > 0;
    }
    EXPECT_TRUE(reused);
}

}  // namespace

// The offline kind reads the capture's pixels on this machine and shows its lines exactly as
// a cloud text result; a language without its data names the package to install.
TEST_F(RecognitionWorkflowTest, OfflineKindGoesThroughTheEngine) {
    FakeTextEngine engine;
    OfflineRecognizer offline(engine);
    workflow.setOfflineRecognizer(&offline);
    engine.lines = {"状态 ： 完成", "Hello, world"};
    form.setChecked(ctl::选择框文本合并, false);
    form.setChecked(ctl::选择框同步剪切板, true);
    form.setSelectedIndex(ctl::组合框文字, 1);
    workflow.run(job(5));
    EXPECT_EQ(form.text(ctl::编辑框_源), "状态：完成\r\nHello, world\r\n");
    EXPECT_EQ(clipboard.value, form.text(ctl::编辑框_源));
    EXPECT_EQ(delivered, std::vector<std::string>{form.text(ctl::编辑框_源)});
    EXPECT_EQ(status(), "状态：识别完毕");
    EXPECT_EQ(engine.asked, (std::vector<std::vector<std::string>>{{"chi_sim", "eng"}}));
    EXPECT_TRUE(transport.requests().empty());

    form.setSelectedIndex(ctl::组合框文字, 3);  // 日文, not installed
    form.setText(ctl::编辑框_源, "before");
    workflow.run(job(5));
    EXPECT_EQ(status(), "状态：离线识别缺少语言数据，请安装 tesseract-ocr-jpn");
    EXPECT_EQ(form.text(ctl::编辑框_源), "before");
    EXPECT_EQ(engine.asked.size(), 1u);
}
