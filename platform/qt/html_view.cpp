#include "platform/qt/html_view.h"

#include <QBuffer>
#include <QEvent>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <thread>

HtmlView::HtmlView(QWidget* parent)
    : QStackedWidget(parent),
      m_picture(new QLabel(this)),
      m_browser(new QTextBrowser(this)),
      m_lifetime(std::make_shared<Lifetime>()) {
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setAutoFillBackground(true);
    m_picture->setBackgroundRole(QPalette::Base);
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    m_browser->setFrameShape(QFrame::NoFrame);
    addWidget(m_picture);
    addWidget(m_browser);
    setCurrentWidget(m_picture);
}

HtmlView::~HtmlView() {
    // A fetch that finishes later must not post to a view that is gone.
    std::lock_guard lock(m_lifetime->mutex);
    m_lifetime->alive = false;
}

void HtmlView::setFetcher(Fetcher fetcher) {
    m_fetcher = fetcher ? std::make_shared<const Fetcher>(std::move(fetcher)) : nullptr;
}

void HtmlView::clear() {
    if (m_movie) {
        m_picture->setMovie(nullptr);
        m_movie->deleteLater();
        m_movie = nullptr;
    }
    m_picture->clear();
    m_browser->clear();
    setCurrentWidget(m_picture);
    m_content = Content::Nothing;
}

QByteArray HtmlView::readLocal(const QString& address) {
    QString path;
    if (address.startsWith(QLatin1String("qrc:"), Qt::CaseInsensitive))
        path = QLatin1Char(':') + QUrl(address).path();
    else if (address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(address).toLocalFile();
    else
        path = address;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void HtmlView::navigate(const QString& address) {
    m_address = address;
    ++m_generation;
    clear();
    const QString scheme = QUrl(address).scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        fetch(address);
        return;
    }
    if (scheme == QLatin1String("qrc") || scheme == QLatin1String("file") ||
        address.startsWith(QLatin1Char('/')) || address.startsWith(QLatin1Char(':')))
        show(readLocal(address));
    emit settled();
}

void HtmlView::fetch(const QString& url) {
    if (!m_fetcher) {
        emit settled();
        return;
    }
    std::shared_ptr<const Fetcher> fetcher = m_fetcher;
    std::shared_ptr<Lifetime> lifetime = m_lifetime;
    const unsigned generation = m_generation;
    const std::string address = url.toStdString();
    std::thread([this, fetcher, lifetime, generation, address] {
        const std::string body = (*fetcher)(address);
        QByteArray bytes(body.data(), static_cast<qsizetype>(body.size()));
        std::lock_guard lock(lifetime->mutex);
        if (!lifetime->alive) return;
        // Queued to the view: dropped with it if it is deleted before the event runs.
        QMetaObject::invokeMethod(
            this, [this, generation, bytes] { arrive(generation, bytes); }, Qt::QueuedConnection);
    }).detach();
}

void HtmlView::arrive(unsigned generation, const QByteArray& body) {
    // A later navigation has replaced this one.
    if (generation != m_generation) return;
    show(body);
    emit settled();
}

void HtmlView::show(const QByteArray& body) {
    if (body.isEmpty()) return;
    QBuffer probe;
    probe.setData(body);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe);
    if (reader.canRead()) {
        if (reader.supportsAnimation() && reader.imageCount() != 1) {
            auto* buffer = new QBuffer;
            buffer->setData(body);
            buffer->open(QIODevice::ReadOnly);
            m_movie = new QMovie(buffer, QByteArray(), this);
            buffer->setParent(m_movie);
            m_picture->setMovie(m_movie);
            m_movie->start();
            m_content = Content::Animation;
            updateAnimation();
        } else {
            m_picture->setPixmap(QPixmap::fromImage(reader.read()));
            m_content = Content::Picture;
        }
        setCurrentWidget(m_picture);
        return;
    }
    QStringDecoder decoder = QStringDecoder::decoderForHtml(body);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    m_browser->setHtml(decoder.decode(body));
    setCurrentWidget(m_browser);
    m_content = Content::Page;
}

bool HtmlView::coveredBySibling() const {
    const QWidget* parent = parentWidget();
    if (!parent) return false;
    // Later children are painted over earlier ones.
    bool above = false;
    for (const QObject* child : parent->children()) {
        if (child == this) {
            above = true;
            continue;
        }
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (above && sibling && !sibling->isHidden() && !sibling->isWindow() &&
            sibling->geometry().contains(geometry()))
            return true;
    }
    return false;
}

bool HtmlView::onScreen() const {
    const QWidget* top = window();
    return isVisible() && !top->isMinimized() && !coveredBySibling();
}

void HtmlView::updateAnimation() {
    if (!m_movie) return;
    // Every frame of a running movie is a timer wake-up; nobody sees the frames meanwhile.
    const bool run = onScreen();
    if (run && m_movie->state() == QMovie::Paused)
        m_movie->setPaused(false);
    else if (!run && m_movie->state() == QMovie::Running)
        m_movie->setPaused(true);
}

void HtmlView::watchNeighbours() {
    if (m_watching) return;
    m_watching = true;
    window()->installEventFilter(this);
    if (QWidget* parent = parentWidget()) {
        // The view itself too: its own move or resize may uncover it.
        for (QObject* child : parent->children())
            if (child->isWidgetType()) child->installEventFilter(this);
    }
}

void HtmlView::showEvent(QShowEvent* event) {
    QStackedWidget::showEvent(event);
    watchNeighbours();
    updateAnimation();
}

void HtmlView::hideEvent(QHideEvent* event) {
    QStackedWidget::hideEvent(event);
    updateAnimation();
}

bool HtmlView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowStateChange:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
            updateAnimation();
            break;
        default:
            break;
    }
    return QStackedWidget::eventFilter(watched, event);
}
