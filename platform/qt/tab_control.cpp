#include "platform/qt/tab_control.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace {

// Tabs as high as a classic desktop tab (a line of text and a small margin): the pages' top
// controls start right below them.
class CompactTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        size.setHeight(qMin(size.height(), fontMetrics().height() + 5));
        return size;
    }
};

}  // namespace

TabControl::TabControl(const QStringList& pages, QWidget* parent)
    : QWidget(parent), m_bar(new CompactTabBar(this)) {
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(true);
    for (const QString& title : pages) {
        m_bar->addTab(title);
        auto* page = new QWidget(this);
        page->setObjectName(title);
        page->setAccessibleName(title);
        // Transparent, so the pane frame painted by the tab control shows through.
        page->setAutoFillBackground(false);
        page->hide();
        m_pages.push_back(page);
    }
    m_bar->raise();
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        showPage(index);
        emit currentChanged(index);
    });
    showPage(m_bar->currentIndex());
    layoutBar();
}

int TabControl::count() const {
    return static_cast<int>(m_pages.size());
}

QWidget* TabControl::page(int index) const {
    return index >= 0 && index < count() ? m_pages[index] : nullptr;
}

int TabControl::currentIndex() const {
    return m_bar->currentIndex();
}

void TabControl::setCurrentIndex(int index) {
    if (index >= 0 && index < count()) m_bar->setCurrentIndex(index);
}

QString TabControl::pageTitle(int index) const {
    return m_bar->tabText(index);
}

void TabControl::showPage(int index) {
    // Show the new page before hiding the old one, so focus has somewhere to go.
    if (QWidget* p = page(index)) p->show();
    for (int i = 0; i < count(); ++i)
        if (i != index) m_pages[i]->hide();
}

void TabControl::layoutBar() {
    const QSize hint = m_bar->sizeHint();
    m_bar->setGeometry(2, 0, qMin(hint.width(), qMax(0, width() - 4)), hint.height());
    for (QWidget* p : m_pages) p->setGeometry(rect());
}

void TabControl::resizeEvent(QResizeEvent*) {
    layoutBar();
}

void TabControl::changeEvent(QEvent* event) {
    // The tab bar's height follows its font.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) layoutBar();
    QWidget::changeEvent(event);
}

void TabControl::paintEvent(QPaintEvent*) {
    // The pane below the tabs, joined to the selected tab as the style draws it.
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = m_bar->size();
    option.tabBarRect = m_bar->geometry();
    option.selectedTabRect = m_bar->tabRect(m_bar->currentIndex()).translated(m_bar->pos());
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    option.rect = QRect(0, qMax(0, m_bar->height() - overlap), width(),
                        qMax(0, height() - m_bar->height() + overlap));
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}
