#pragma once
// The window's HTML view: shows a picture (animated GIFs move) or a page. Resource and local
// addresses load at once; web addresses are fetched on a thread of their own through the
// program's fetcher, so the window never waits for the network.
#include <QStackedWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QLabel;
class QMovie;
class QTextBrowser;

class HtmlView : public QStackedWidget {
    Q_OBJECT
public:
    // Gets the body of a web address; empty on failure. Runs off the user-interface thread.
    using Fetcher = std::function<std::string(const std::string& url)>;
    enum class Content { Nothing, Picture, Animation, Page };

    explicit HtmlView(QWidget* parent);
    ~HtmlView() override;

    void setFetcher(Fetcher fetcher);
    // Replaces what is shown; an address that cannot be shown leaves the view empty.
    void navigate(const QString& address);
    QString address() const { return m_address; }

    Content content() const { return m_content; }
    QLabel* pictureLabel() const { return m_picture; }
    QTextBrowser* browser() const { return m_browser; }
    QMovie* movie() const { return m_movie; }
    // True when the view can be seen on the screen.
    bool onScreen() const;

signals:
    // After the content of the latest address has been shown, or has failed to arrive.
    void settled();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Lifetime {
        std::mutex mutex;
        bool alive = true;
    };

    void clear();
    void fetch(const QString& url);
    void arrive(unsigned generation, const QByteArray& body);
    void show(const QByteArray& body);
    static QByteArray readLocal(const QString& address);
    bool coveredBySibling() const;
    // Runs or pauses the animation as onScreen says.
    void updateAnimation();
    void watchNeighbours();

    QLabel* m_picture;
    QTextBrowser* m_browser;
    QMovie* m_movie = nullptr;
    Content m_content = Content::Nothing;
    QString m_address;
    unsigned m_generation = 0;
    bool m_watching = false;
    std::shared_ptr<const Fetcher> m_fetcher;
    std::shared_ptr<Lifetime> m_lifetime;
};
