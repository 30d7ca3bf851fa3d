// Calls from worker threads run on the user-interface thread, in order, and never hold up the
// end of the program.
#include <QApplication>
#include <QClipboard>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "app/control_names.h"
#include "platform/qt/qt_clipboard.h"
#include "qt_form_fixture.h"

namespace {

// Runs the work on a thread of its own while this thread keeps the event loop turning.
template <class Work>
auto onWorker(Work work) {
    auto result = std::async(std::launch::async, work);
    EXPECT_TRUE(waitUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return result.get();
}

// Starts the work on a detached thread: if it hangs, the test fails instead of waiting for it.
template <class Work>
auto detached(Work work) {
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    std::thread(std::move(task)).detach();
    return result;
}

}  // namespace

TEST_F(QtFormTest, AWorkersCallsRunOnTheUiThreadInTheirOrder) {
    const bool allRead = onWorker([this] {
        bool ok = true;
        for (int i = 0; i < 40; ++i) {
            const std::string status = "状态：第" + std::to_string(i) + "步";
            m_form->setStatusText(ctl::状态条1, 1, status);
            m_form->setText(ctl::编辑框_源, "行" + std::to_string(i) + "\r\n");
            ok = ok && m_form->statusText(ctl::状态条1, 1) == status;
        }
        return ok;
    });
    EXPECT_TRUE(allRead);
    EXPECT_EQ(m_form->statusText(ctl::状态条1, 1), "状态：第39步");
    EXPECT_EQ(m_form->text(ctl::编辑框_源), "行39\r\n");
    const auto log = m_events.log();
    EXPECT_EQ(log.size(), 40u);
    // The handlers that the worker's writes caused ran on the user-interface thread.
    EXPECT_TRUE(m_events.allOnUiThread());
}

TEST_F(QtFormTest, AWorkersStatusTextDoesNotWaitForABusyUiThread) {
    std::mutex mutex;
    std::condition_variable wake;
    bool posted = false;
    // The user-interface thread is busy (a preview being built) while the worker reports.
    auto worker = detached([&] {
        m_form->setStatusText(ctl::状态条1, 1, "状态：截图识别中……");
        {
            std::lock_guard lock(mutex);
            posted = true;
        }
        wake.notify_all();
        // A later call waits for the text before it: the order holds.
        return m_form->statusText(ctl::状态条1, 1);
    });
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(wake.wait_for(lock, std::chrono::seconds(3), [&] { return posted; }));
    }
    EXPECT_TRUE(waitUntil(
        [&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(worker.get(), "状态：截图识别中……");
}

TEST_F(QtFormTest, WorkersReadEveryKindOfValue) {
    m_form->setChecked(ctl::选择框同步剪切板, true);
    m_form->setSelectedIndex(ctl::组合框翻译, 2);
    const auto values = onWorker([this] {
        return std::make_tuple(m_form->checked(ctl::选择框同步剪切板),
                               m_form->selectedIndex(ctl::组合框翻译),
                               m_form->items(ctl::组合框证件).size(),
                               m_form->geometry(ctl::按钮_复制), m_form->title());
    });
    EXPECT_TRUE(std::get<0>(values));
    EXPECT_EQ(std::get<1>(values), 2);
    EXPECT_EQ(std::get<2>(values), 2u);
    EXPECT_EQ(std::get<3>(values), (platform::Rect{8, 183, 145, 25}));
    EXPECT_EQ(std::get<4>(values), "OzmiraV3.9");
}

TEST_F(QtFormTest, AfterCloseAWorkersCallsReturnAtOnceWithEmptyValues) {
    m_form->setText(ctl::编辑框_源, "kept");
    m_form->window()->close();
    // Nobody turns the event loop now: a call that waited for it would hang the test.
    auto result = detached([this] {
        m_form->setText(ctl::编辑框_源, "late");
        return m_form->text(ctl::编辑框_源) + m_form->statusText(ctl::状态条1, 0);
    });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), "");
}

TEST_F(QtFormTest, AWorkerWaitingAtTheMomentOfClosingIsReleased) {
    std::atomic<bool> calling{false};
    QtForm* form = m_form.get();
    auto result = detached([&] {
        calling = true;
        return form->text(ctl::标签提示);
    });
    // The call is queued but the event loop does not turn, so the worker waits in it.
    while (!calling) std::this_thread::yield();
    QThread::msleep(50);
    m_form->window()->close();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), "");
    // The queued call must not run later either.
    pumpEvents();
}

TEST_F(QtFormTest, DestroyingTheFormReleasesAWaitingWorker) {
    std::atomic<bool> calling{false};
    QtForm* form = m_form.get();
    auto result = detached([&] {
        calling = true;
        form->setText(ctl::编辑框_源, "never");
        return true;
    });
    while (!calling) std::this_thread::yield();
    QThread::msleep(50);
    m_form.reset();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(result.get());
    pumpEvents();
}

TEST_F(QtFormTest, AfterTheEventLoopHasEndedCallsReturnAtOnce) {
    // exit() ends the loop without closing the windows first, as quit() would.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_TRUE(m_form->isClosed());
    QtForm* form = m_form.get();
    auto result = detached([form] {
        form->setStatusText(ctl::状态条1, 1, "状态：太晚");
        return form->statusText(ctl::状态条1, 0);
    });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), "");
}

TEST(QtClipboardTest, TextCrossesWithLinuxLineBreaksFromAnyThread) {
    QtClipboard clipboard;
    const struct {
        std::string program;
        QString system;
    } cases[] = {
        {"一行", QString::fromUtf8("一行")},
        {"a\r\nb\r\n", QStringLiteral("a\nb\n")},
        {"Ｋöł 中", QString::fromUtf8("Ｋöł 中")},
    };
    for (const auto& c : cases) {
        onWorker([&] { clipboard.setText(c.program); });
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.system);
        EXPECT_EQ(onWorker([&] { return clipboard.text(); }), c.program);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("x\ny"));
    EXPECT_EQ(clipboard.text(), "x\r\ny");
}
