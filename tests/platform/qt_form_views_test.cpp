// The HTML view, the picture box, message boxes and the window's own state.
#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>

#include "app/control_names.h"
#include "platform/qt/html_view.h"
#include "qt_form_fixture.h"

namespace {

using Content = HtmlView::Content;

std::string encoded(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

std::string png(int width, int height) {
    return encoded(width, height, "PNG");
}

// Two frames of 2 x 2 pixels, red then blue.
const unsigned char kAnimatedGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45,
    0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x21, 0xf9, 0x04,
    0x00, 0x0a, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x80, 0x00,
    0x00, 0xff, 0x00, 0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x3b};

}  // namespace

class QtHtmlViewTest : public QtFormTest {
protected:
    HtmlView* view() const { return widgetAs<HtmlView>(ctl::超文本浏览框1); }
    // Navigates and waits until the view has shown what arrived.
    void navigateAndSettle(const std::string& address) {
        std::atomic<bool> settled{false};
        auto connection = QObject::connect(view(), &HtmlView::settled, [&] { settled = true; });
        m_form->navigate(ctl::超文本浏览框1, address);
        EXPECT_TRUE(waitUntil([&] { return settled.load(); }));
        QObject::disconnect(connection);
    }
};

TEST_F(QtHtmlViewTest, WebAddressesAreFetchedOffTheUiThreadAndShownByKind) {
    std::atomic<bool> fetchedOnUiThread{false};
    const struct {
        const char* url;
        std::string body;
        Content content;
    } cases[] = {
        {"http://127.0.0.1/a.png", png(30, 20), Content::Picture},
        {"https://127.0.0.1/b.gif",
         std::string(reinterpret_cast<const char*>(kAnimatedGif), sizeof kAnimatedGif),
         Content::Animation},
        {"http://127.0.0.1/page", "<html><body><p>新版本说明</p></body></html>", Content::Page},
        {"http://127.0.0.1/missing", "", Content::Nothing},
    };
    m_form->setFetcher([&](const std::string& url) {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            fetchedOnUiThread = true;
        for (const auto& c : cases)
            if (url == c.url) return c.body;
        return std::string();
    });
    for (const auto& c : cases) {
        navigateAndSettle(c.url);
        EXPECT_EQ(view()->content(), c.content) << c.url;
        EXPECT_EQ(m_form->text(ctl::超文本浏览框1), c.url);
    }
    EXPECT_FALSE(fetchedOnUiThread);
    navigateAndSettle(cases[0].url);
    EXPECT_EQ(view()->pictureLabel()->pixmap().size(), QSize(30, 20));
    navigateAndSettle(cases[2].url);
    EXPECT_TRUE(view()->browser()->toPlainText().contains(QString::fromUtf8("新版本说明")));
    navigateAndSettle(cases[1].url);
    ASSERT_NE(view()->movie(), nullptr);
    EXPECT_EQ(view()->movie()->state(), QMovie::Running);
}

TEST_F(QtHtmlViewTest, WithoutAFetcherWebAddressesShowNothing) {
    navigateAndSettle("http://127.0.0.1/a.png");
    EXPECT_EQ(view()->content(), Content::Nothing);
}

TEST_F(QtHtmlViewTest, ALaterNavigationWinsOverASlowFetch) {
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    m_form->setFetcher([&](const std::string& url) {
        if (url.find("slow") != std::string::npos) {
            std::unique_lock lock(mutex);
            released.wait(lock, [&] { return release; });
            return png(5, 5);
        }
        return std::string("<p>fast</p>");
    });
    m_form->navigate(ctl::超文本浏览框1, "http://127.0.0.1/slow");
    navigateAndSettle("http://127.0.0.1/fast");
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    pumpEvents(100);
    EXPECT_EQ(view()->content(), Content::Page);
}

TEST_F(QtHtmlViewTest, LocalFilesShowAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("横幅.png"));
    const std::string bytes = png(12, 7);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    file.close();
    m_form->navigate(ctl::超文本浏览框1, QUrl::fromLocalFile(path).toString().toStdString());
    EXPECT_EQ(view()->content(), Content::Picture);
    EXPECT_EQ(view()->pictureLabel()->pixmap().size(), QSize(12, 7));
    // A resource that the program does not carry shows nothing.
    m_form->navigate(ctl::超文本浏览框1, "qrc:/ozmira/no-such-picture.gif");
    EXPECT_EQ(view()->content(), Content::Nothing);
}

TEST_F(QtHtmlViewTest, TheAnimationRunsOnlyWhileItCanBeSeen) {
    m_form->setFetcher([](const std::string&) {
        return std::string(reinterpret_cast<const char*>(kAnimatedGif), sizeof kAnimatedGif);
    });
    navigateAndSettle("http://127.0.0.1/banner.gif");
    ASSERT_NE(view()->movie(), nullptr);
    auto state = [&] { return view()->movie()->state(); };
    EXPECT_EQ(state(), QMovie::Running);
    // A capture's preview covers the banner.
    m_form->setVisible(ctl::图片框1, true);
    EXPECT_EQ(state(), QMovie::Paused);
    m_form->setVisible(ctl::图片框1, false);
    EXPECT_EQ(state(), QMovie::Running);
    m_form->setWindowState(platform::WindowState::Minimized);
    EXPECT_TRUE(waitUntil([&] { return state() == QMovie::Paused; }));
    m_form->setWindowState(platform::WindowState::Normal);
    EXPECT_TRUE(waitUntil([&] { return state() == QMovie::Running; }));
    m_form->window()->hide();
    EXPECT_EQ(state(), QMovie::Paused);
    m_form->window()->show();
    EXPECT_EQ(state(), QMovie::Running);
}

// A capture as the screen hands it on: 32 bits, bottom row first; the top half red, the
// bottom half blue.
static std::string captureBmp(int width, int height) {
    std::string file(54 + std::size_t(width) * height * 4, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = char(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, std::uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(width));
    put32(22, std::uint32_t(height));
    put32(26, 1 | 32 << 16);
    for (int row = 0; row < height; ++row) {
        const bool top = row >= height / 2;  // rows are stored bottom-up
        for (int x = 0; x < width; ++x)
            file[54 + (std::size_t(row) * width + x) * 4 + (top ? 2 : 0)] = char(0xff);
    }
    return file;
}

TEST_F(QtFormTest, ThePictureBoxShowsImagesFittedIntoItAndClears) {
    auto* picture = widgetAs<QLabel>(ctl::图片框1);
    EXPECT_EQ(m_form->geometry(ctl::图片框1), (platform::Rect{0, 14, 895, 280}));
    const struct {
        const char* name;
        std::string bytes;
        QSize shown;
    } cases[] = {
        // Smaller than the box: natural size.
        {"BMP", encoded(41, 30, "BMP"), {41, 30}},
        {"PNG", encoded(41, 30, "PNG"), {41, 30}},
        {"JPEG", encoded(41, 30, "JPEG"), {41, 30}},
        {"capture", captureBmp(41, 30), {41, 30}},
        // Larger: scaled down into the box, keeping the proportions.
        {"large BMP", encoded(1200, 500, "BMP"), {672, 280}},
        {"large capture", captureBmp(1200, 500), {672, 280}},
        {"whole-screen capture", captureBmp(1920, 1080), {497, 280}},
        {"wide capture", captureBmp(3000, 100), {895, 29}},
    };
    for (const auto& c : cases) {
        m_form->setPicture(ctl::图片框1, c.bytes);
        EXPECT_EQ(picture->pixmap().size(), c.shown) << c.name;
    }
    // A capture is shown upright.
    m_form->setPicture(ctl::图片框1, captureBmp(1200, 500));
    const QImage shown = picture->pixmap().toImage();
    EXPECT_EQ(shown.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(5, shown.height() - 5), qRgb(0, 0, 255));
    m_form->setVisible(ctl::图片框1, true);
    EXPECT_TRUE(m_form->visible(ctl::图片框1));
    m_form->setPicture(ctl::图片框1, "");
    EXPECT_TRUE(picture->pixmap().isNull());
    m_form->setPicture(ctl::图片框1, "not an image");
    EXPECT_TRUE(picture->pixmap().isNull());
}

TEST_F(QtFormTest, AMessageBoxIsModalWithOneOkButtonAndNoIcon) {
    QString title, text;
    int buttons = -1;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    m_form->messageBox("请先选择Key", "错误提示！");
    EXPECT_EQ(title, QString::fromUtf8("错误提示！"));
    EXPECT_EQ(text, QString::fromUtf8("请先选择Key"));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST_F(QtFormTest, WindowTitleStateAndControlFlagsAreWritable) {
    m_form->setTitle("Ozmira 测试");
    EXPECT_EQ(m_form->title(), "Ozmira 测试");
    EXPECT_EQ(m_form->window()->windowTitle(), QString::fromUtf8("Ozmira 测试"));
    EXPECT_EQ(m_form->windowState(), platform::WindowState::Normal);
    m_form->setWindowState(platform::WindowState::Maximized);
    EXPECT_EQ(m_form->windowState(), platform::WindowState::Maximized);
    m_form->setWindowState(platform::WindowState::Normal);
    EXPECT_EQ(m_form->windowState(), platform::WindowState::Normal);
    m_form->raise();
    m_form->suspendRedraw();
    EXPECT_FALSE(m_form->window()->updatesEnabled());
    m_form->resumeRedraw();
    EXPECT_TRUE(m_form->window()->updatesEnabled());

    // A control's own flags, whatever its page or parent shows.
    m_form->setEnabled(ctl::按钮正面截图, true);
    EXPECT_TRUE(m_form->enabled(ctl::按钮正面截图));
    m_form->setVisible(ctl::分组框4, true);
    EXPECT_TRUE(m_form->visible(ctl::编辑框_同步设置));
    m_form->setVisible(ctl::分组框4, false);
    EXPECT_TRUE(m_form->visible(ctl::编辑框_同步设置));
    EXPECT_FALSE(m_form->visible(ctl::分组框4));
    EXPECT_FALSE(widget(ctl::编辑框_同步设置)->isVisible());
}
