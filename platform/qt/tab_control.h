#pragma once
// A tab control in the manner of the classic desktop one: the tabs run along its top edge and
// each page covers the whole control, so the controls of a page are placed in the tab
// control's own coordinates. The pages lie below the tab bar.
#include <QWidget>
#include <vector>

class QTabBar;

class TabControl : public QWidget {
    Q_OBJECT
public:
    TabControl(const QStringList& pages, QWidget* parent);

    int count() const;
    QWidget* page(int index) const;
    int currentIndex() const;
    // Out-of-range indexes are ignored.
    void setCurrentIndex(int index);
    QString pageTitle(int index) const;
    QTabBar* tabBar() const { return m_bar; }

signals:
    // On every change of the current page, by the user or by the program.
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showPage(int index);
    void layoutBar();

    QTabBar* m_bar;
    std::vector<QWidget*> m_pages;
};
