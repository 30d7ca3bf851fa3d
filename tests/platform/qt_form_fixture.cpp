#include "qt_form_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <cstdlib>

#include "app/control_names.h"

namespace {

bool onUiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

void RecordingEvents::record(const std::string& entry) {
    std::lock_guard lock(m_mutex);
    if (!onUiThread()) m_allOnUiThread = false;
    m_log.push_back(entry);
}

void RecordingEvents::onCreated() {
    record("created");
}
void RecordingEvents::onResized() {
    record("resized");
}
void RecordingEvents::onClicked(const std::string& c) {
    record("clicked:" + c);
}
void RecordingEvents::onItemSelected(const std::string& c) {
    record("selected:" + c);
}
void RecordingEvents::onTextChanged(const std::string& c) {
    record("text:" + c);
}
void RecordingEvents::onKeyReleased(const std::string& c, int code) {
    record("key:" + c + ":" + std::to_string(code));
}
void RecordingEvents::onPageChanged(const std::string& c) {
    record("page:" + c);
}
void RecordingEvents::onGridRightButtonUp(const std::string& c) {
    record("right:" + c);
}
void RecordingEvents::onMenuItem(const std::string& m, int item) {
    record("menu:" + m + ":" + std::to_string(item));
}
void RecordingEvents::onClosing() {
    record("closing");
}

std::vector<std::string> RecordingEvents::log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::string RecordingEvents::last() const {
    std::lock_guard lock(m_mutex);
    return m_log.empty() ? std::string() : m_log.back();
}

void RecordingEvents::clear() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

bool RecordingEvents::allOnUiThread() const {
    std::lock_guard lock(m_mutex);
    return m_allOnUiThread;
}

void QtFormTest::SetUp() {
    m_form = std::make_unique<QtForm>();
    m_form->setEvents(&m_events);
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form->window()));
    // Input goes to the active window; without a window manager nobody else activates it.
    m_form->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form->window()));
    m_events.clear();
}

void QtFormTest::TearDown() {
    m_form.reset();
    pumpEvents(1);
}

QWidget* QtFormTest::widget(const std::string& name) const {
    return m_form->window()->findChild<QWidget*>(QString::fromStdString(name));
}

void QtFormTest::showPage(int page) {
    m_form->setCurrentPage(ctl::选择夹1, page);
    pumpEvents();
    m_events.clear();
}

bool waitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void pumpEvents(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    // Each test closes its own window; the application outlives them all.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
